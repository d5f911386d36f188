#pragma once

// The platform layer under the MIDI input manager. It is shaped after the
// multimedia MIDI input service the manager was designed against (device
// count, capabilities, open with a callback and an instance value, receive
// buffers, start, stop, reset, close, error texts), so that the manager's
// algorithms read the same over RtMidi, a test double or that service itself.

#include <cstdint>
#include <string>

namespace tonvarra::midi {

// A result code: 0 is success, anything else an error that GetErrorText may name.
using MidiResult = std::uint32_t;

namespace midi_result {
inline constexpr MidiResult NoError = 0;
inline constexpr MidiResult Error = 1;         // a failure with no closer code
inline constexpr MidiResult BadDeviceId = 2;   // device number out of range, or the device is gone
inline constexpr MidiResult Allocated = 4;     // the device is already open
inline constexpr MidiResult InvalidHandle = 5; // not a handle of an open device
inline constexpr MidiResult NoDriver = 6;      // the MIDI system is not there (any more)
inline constexpr MidiResult NoMemory = 7;
inline constexpr MidiResult InvalidParam = 11;
inline constexpr MidiResult Unprepared = 64;   // the header was not prepared
inline constexpr MidiResult StillPlaying = 65; // a buffer is still queued
} // namespace midi_result

// The handle of an open device; NoMidiInHandle marks a closed one.
using MidiInHandle = std::uintptr_t;
inline constexpr MidiInHandle NoMidiInHandle = 0;

// Messages that the driver passes to the callback.
inline constexpr std::uint32_t MIM_DATA = 0x3C3;     // param1: a packed short message
inline constexpr std::uint32_t MIM_LONGDATA = 0x3C4; // param1: the address of a returned MidiHdr

// Bits of MidiHdr::dwFlags.
inline constexpr std::uint32_t MHDR_DONE = 0x1;     // the driver returned the buffer
inline constexpr std::uint32_t MHDR_PREPARED = 0x2; // set by PrepareHeader, cleared by UnprepareHeader
inline constexpr std::uint32_t MHDR_INQUEUE = 0x4;  // queued by AddBuffer, cleared when returned

// MidiHdr: a receive buffer for system-exclusive data, the counterpart of the
// system's 64-byte MIDI buffer header.
struct MidiHdr {
    std::uint8_t* lpData = nullptr;
    std::uint32_t dwBufferLength = 0;
    std::uint32_t dwBytesRecorded = 0;
    std::uint32_t dwFlags = 0;
};

// The callback the driver calls on a thread of its own, never on the thread
// that called Open: (handle, message, instance value, parameter 1, parameter 2).
using MidiInCallback = void (*)(MidiInHandle handle, std::uint32_t message, std::uintptr_t instance,
                                std::uintptr_t param1, std::uintptr_t param2);

// MidiInDriver: the MIDI input service that TMidiInput runs on.
//
// Contract for implementations:
// - The device list is fixed when the driver is made; device numbers are 0..GetNumDevs()-1.
// - After Start, every short message of the device reaches the callback as MIM_DATA, one call
//   per message, in arrival order, with param1 = status | data1 << 8 | data2 << 16 (missing
//   data bytes are 0); nothing arrives before Start or after Stop.
// - A system-exclusive message is copied into the queued buffers in order, each returned
//   through MIM_LONGDATA with dwBytesRecorded set and MHDR_DONE set.
// - Reset returns every queued buffer through MIM_LONGDATA with a count of 0 before it returns.
// - Stop, Reset and Close return only after every callback they end has returned; they must
//   not be called from inside the callback.
// - Destroying the driver closes every device it still has open.
class MidiInDriver {
public:
    virtual ~MidiInDriver() = default;

    [[nodiscard]] virtual std::uint32_t GetNumDevs() = 0;
    // Sets name to the device's product name (UTF-8).
    [[nodiscard]] virtual MidiResult GetDevCaps(std::uint32_t device, std::string& name) = 0;
    [[nodiscard]] virtual MidiResult Open(MidiInHandle& handle, std::uint32_t device, MidiInCallback callback,
                                          std::uintptr_t instance) = 0;
    [[nodiscard]] virtual MidiResult PrepareHeader(MidiInHandle handle, MidiHdr& header) = 0;
    [[nodiscard]] virtual MidiResult AddBuffer(MidiInHandle handle, MidiHdr& header) = 0;
    [[nodiscard]] virtual MidiResult Start(MidiInHandle handle) = 0;
    [[nodiscard]] virtual MidiResult Stop(MidiInHandle handle) = 0;
    [[nodiscard]] virtual MidiResult Reset(MidiInHandle handle) = 0;
    [[nodiscard]] virtual MidiResult UnprepareHeader(MidiInHandle handle, MidiHdr& header) = 0;
    [[nodiscard]] virtual MidiResult Close(MidiInHandle handle) = 0;
    // Sets text and returns NoError when the driver has a text for code.
    [[nodiscard]] virtual MidiResult GetErrorText(MidiResult code, std::string& text) = 0;

    // Messages the driver received but could not deliver (a full queue, a system-exclusive
    // message with no buffer queued), counted over all devices since the driver was made.
    [[nodiscard]] virtual std::uint64_t LostMessages() const { return 0; }

protected:
    MidiInDriver() = default;
    MidiInDriver(const MidiInDriver&) = delete;
    MidiInDriver& operator=(const MidiInDriver&) = delete;
};

} // namespace tonvarra::midi
