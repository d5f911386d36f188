#include "recording_keyboard.h"

#include "keys/key_name_table.h"
#include "keys/us_layout.h"

#include <algorithm>
#include <cstdio>

namespace tonvarra::test {

std::string VirtualKeyName(keys::VirtualKey vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        return std::string(1, static_cast<char>(vk));
    }
    switch (vk) {
    case keys::kShiftKey:
        return "SHIFT";
    case keys::kControlKey:
        return "CTRL";
    case keys::kAltKey:
        return "ALT";
    case 0x08:
        return "BS"; // three names share it; one short one is enough
    case 0x2E:
        return "DEL";
    case 0x1B:
        return "ESC";
    default:
        break;
    }
    for (const auto& row : keys::KeyNameTable) {
        if (row.vk == vk) {
            return std::string(row.name);
        }
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(vk));
    return hex;
}

RecordingKeyboard::RecordingKeyboard()
    : mapping_(keys::UsLayoutKeyCode) {}

keys::KeyCode RecordingKeyboard::CharToKeyCode(char c) {
    std::lock_guard lock(mutex_);
    return mapping_(c);
}

std::uint8_t RecordingKeyboard::ScanCode(keys::VirtualKey vk) {
    return keys::UsLayoutScanCode(vk);
}

void RecordingKeyboard::KeyEvent(keys::VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) {
    std::lock_guard lock(mutex_);
    events_.push_back({vk, scanCode, flags});
    const bool up = (flags & keys::kKeyUpFlag) != 0;
    down_[vk] = !up; // like a real key: a second down repeats, one up releases
    std::string entry = (up ? "-" : "+") + VirtualKeyName(vk);
    if (flags & keys::kExtendedKeyFlag) {
        entry += '*';
    }
    trace_.push_back(std::move(entry));
}

bool RecordingKeyboard::NumLockOn() {
    std::lock_guard lock(mutex_);
    return (state_[0x90] & 1) != 0;
}

void RecordingKeyboard::GetKeyboardState(std::span<std::uint8_t, 256> state) {
    std::lock_guard lock(mutex_);
    std::copy(state_.begin(), state_.end(), state.begin());
}

void RecordingKeyboard::SetKeyboardState(std::span<const std::uint8_t, 256> state) {
    std::lock_guard lock(mutex_);
    std::copy(state.begin(), state.end(), state_.begin());
}

void RecordingKeyboard::Drain() {
    std::lock_guard lock(mutex_);
    ++drains_;
}

void RecordingKeyboard::MessageBox(std::string_view text) {
    std::lock_guard lock(mutex_);
    messages_.emplace_back(text);
    trace_.push_back("[" + std::string(text) + "]");
}

void RecordingKeyboard::ReleaseAll() {
    std::lock_guard lock(mutex_);
    ++releaseAllCalls_;
    for (int vk = 0; vk < 256; ++vk) {
        if (down_[vk]) {
            events_.push_back({static_cast<keys::VirtualKey>(vk), 0, keys::kKeyUpFlag});
            trace_.push_back("-" + VirtualKeyName(static_cast<keys::VirtualKey>(vk)));
        }
        down_[vk] = false;
    }
}

void RecordingKeyboard::SetCharMapping(std::function<keys::KeyCode(char)> mapping) {
    std::lock_guard lock(mutex_);
    mapping_ = std::move(mapping);
}

std::vector<RecordingKeyboard::Event> RecordingKeyboard::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<std::string> RecordingKeyboard::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::string RecordingKeyboard::Trace() const {
    std::lock_guard lock(mutex_);
    std::string out;
    for (const auto& entry : trace_) {
        if (!out.empty()) {
            out += ' ';
        }
        out += entry;
    }
    return out;
}

int RecordingKeyboard::Drains() const {
    std::lock_guard lock(mutex_);
    return drains_;
}

int RecordingKeyboard::ReleaseAllCalls() const {
    std::lock_guard lock(mutex_);
    return releaseAllCalls_;
}

std::vector<keys::VirtualKey> RecordingKeyboard::KeysDown() const {
    std::lock_guard lock(mutex_);
    std::vector<keys::VirtualKey> down;
    for (int vk = 0; vk < 256; ++vk) {
        if (down_[vk]) {
            down.push_back(static_cast<keys::VirtualKey>(vk));
        }
    }
    return down;
}

std::array<std::uint8_t, 256> RecordingKeyboard::KeyboardState() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void RecordingKeyboard::Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
    messages_.clear();
    trace_.clear();
    down_.fill(false);
    drains_ = 0;
    releaseAllCalls_ = 0;
}

} // namespace tonvarra::test
