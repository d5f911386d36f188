#pragma once

#include "midi/midi_in_driver.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonvarra::midi {

// SysExHandler: an object and one of its methods that receives a device's
// collected system-exclusive bytes; held together like ShortMessageHandler.
struct SysExHandler {
    using Method = void (*)(void* object, std::int32_t DeviceIndex, const std::vector<std::uint8_t>& Stream);

    void* object = nullptr;
    Method method = nullptr;

    template <auto Member, class T> [[nodiscard]] static SysExHandler bind(T* target) {
        return {target, [](void* o, std::int32_t d, const std::vector<std::uint8_t>& s) {
                    (static_cast<T*>(o)->*Member)(d, s);
                }};
    }

    explicit operator bool() const { return method != nullptr; }
    void operator()(std::int32_t DeviceIndex, const std::vector<std::uint8_t>& Stream) const {
        method(object, DeviceIndex, Stream);
    }
    friend bool operator==(const SysExHandler&, const SysExHandler&) = default;
};

// TSysExData: one device's receive buffer for system-exclusive data, and the
// stream that collects what the driver returns in it.
struct TSysExData {
    static constexpr std::size_t BufferSize = 2048;

    TSysExData();
    TSysExData(const TSysExData&) = delete; // Header points into Buffer
    TSysExData& operator=(const TSysExData&) = delete;

    // Read from its start by whoever receives it; emptied after each hand-on.
    std::vector<std::uint8_t> Stream;
    MidiHdr Header;
    std::array<std::uint8_t, BufferSize> Buffer{};
};

} // namespace tonvarra::midi
