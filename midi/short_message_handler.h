#pragma once

#include <cstdint>

namespace tonvarra::midi {

// ShortMessageHandler: an object and one of its methods, held together so that
// the handler slot can replace both as one unit. An empty handler drops messages.
struct ShortMessageHandler {
    using Method = void (*)(void* object, std::int32_t DeviceIndex, std::uint8_t Status, std::uint8_t Data1,
                            std::uint8_t Data2);

    void* object = nullptr;
    Method method = nullptr;

    // ShortMessageHandler::bind<&TForm2::HandleMidiData>(form)
    template <auto Member, class T> [[nodiscard]] static ShortMessageHandler bind(T* target) {
        return {target, [](void* o, std::int32_t d, std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
                    (static_cast<T*>(o)->*Member)(d, s, d1, d2);
                }};
    }

    explicit operator bool() const { return method != nullptr; }
    void operator()(std::int32_t DeviceIndex, std::uint8_t Status, std::uint8_t Data1,
                    std::uint8_t Data2) const {
        method(object, DeviceIndex, Status, Data1, Data2);
    }
    friend bool operator==(const ShortMessageHandler&, const ShortMessageHandler&) = default;
};

} // namespace tonvarra::midi
