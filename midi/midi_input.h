#pragma once

// The MIDI input manager. This header is the public contract that the store,
// the matcher and the windows use; the MIDI layer's owner may add private
// members and helpers, but keeps these names and meanings.

#include "midi/short_message_handler.h"
#include "midi/sysex_data.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tonvarra::midi {

class MidiInDriver;

// TMidiDevices: the list of the system's MIDI input devices, in system order.
class TMidiDevices {
public:
    virtual ~TMidiDevices();
    TMidiDevices(const TMidiDevices&) = delete;
    TMidiDevices& operator=(const TMidiDevices&) = delete;

    // Row i is device index i; names are UTF-8 and may repeat.
    [[nodiscard]] const std::vector<std::string>& DeviceNames() const { return deviceNames_; }

    virtual void Open(std::int32_t DeviceIndex) = 0;
    virtual void Close(std::int32_t DeviceIndex) = 0;

protected:
    TMidiDevices() = default;
    std::vector<std::string> deviceNames_;
};

// TMidiInput: opens and closes input devices by index and hands every short
// message of an open device to the one handler in OnShortMessage, on a delivery
// thread that is never the GUI thread. Failures throw tonvarra::Error.
class TMidiInput : public TMidiDevices {
public:
    // Lists the devices through the driver (read once, never refreshed).
    explicit TMidiInput(std::unique_ptr<MidiInDriver> driver);
    // Closes every device that is still open, so no delivery outlives the manager.
    ~TMidiInput() override;

    // Does nothing when already open; throws "TMidiInput: Device index out of bounds! (%d)".
    void Open(std::int32_t DeviceIndex) override;
    // Does nothing when closed; returns only after the device's last delivery has ended.
    void Close(std::int32_t DeviceIndex) override;
    [[nodiscard]] bool IsOpen(std::int32_t DeviceIndex) const;

    // Replaces the handler for all devices at once, object and method as one unit.
    void SetOnShortMessage(ShortMessageHandler handler);
    [[nodiscard]] ShortMessageHandler OnShortMessage() const;

    // The slot for collected system-exclusive data; empty unless someone sets it.
    void SetOnSysExBlock(SysExHandler handler);
    [[nodiscard]] SysExHandler OnSysExBlock() const;

    // Deliveries that failed on a delivery thread, where nothing can report them: a handler
    // that threw, or a system-exclusive buffer that could not be queued again.
    [[nodiscard]] std::uint64_t DeliveryFaults() const;
    // Messages the driver received but could not deliver (see MidiInDriver::LostMessages).
    [[nodiscard]] std::uint64_t LostMessages() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The one manager of the program, created (and so enumerated) on the first call
// with the driver that the factory makes.
TMidiInput& SharedMidiInput();
// Chooses how SharedMidiInput makes its driver; the program picks RtMidi, tests a scripted one.
void SetMidiDriverFactory(std::function<std::unique_ptr<MidiInDriver>()> factory);
// Destroys the shared manager (closing its devices); the next SharedMidiInput makes a new one.
void ResetSharedMidiInput();

} // namespace tonvarra::midi
