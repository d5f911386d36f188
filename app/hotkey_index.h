#pragma once

// HotkeyIndex: one published hotkey table compiled for the matcher. Each stored
// EventText is reduced once, when the table is published, so that matching a
// message costs the same for ten hotkeys as for ten thousand.

#include "app/event_text.h"
#include "store/hotkey_table.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonvarra::app {

// The action kinds stored with a hotkey. Any other text matches but does nothing.
enum class ActionKind : std::uint8_t { Other, keyn, keystroke, keystroker };

[[nodiscard]] ActionKind ParseActionKind(std::string_view outgoingset);

struct CompiledHotkey {
    ActionKind kind = ActionKind::Other;
    bool enabled = false;
    // The key sequence in Windows-1252, or nothing when it holds a character
    // that no key can type.
    std::optional<std::string> outgoing;
};

// ScanResult: what the last-to-first scan of the table found for one message.
struct ScanResult {
    static constexpr std::int32_t kNone = -1;
    std::int32_t row = kNone; // the hotkey that matched
    bool releaseStop = false; // the key repeat is switched off before anything fires
    friend bool operator==(const ScanResult&, const ScanResult&) = default;
};

class HotkeyIndex {
public:
    HotkeyIndex() = default;
    explicit HotkeyIndex(const store::HotkeyTable::Rows& rows);

    // The result of scanning the hotkeys from the last to the first with the
    // status, key and velocity rules, for a message and the state of the release stop.
    [[nodiscard]] ScanResult Scan(std::uint8_t status, std::uint8_t key, std::uint8_t velocity,
                                  bool stopOnReleaseArmed) const;

    [[nodiscard]] const CompiledHotkey& row(std::size_t i) const { return rows_[i]; }
    [[nodiscard]] std::size_t size() const { return rows_.size(); }

private:
    // All hotkeys of one status and key. Since the first match ends the scan, only
    // the last hotkey of each velocity field can ever be reached.
    struct Bucket {
        std::int32_t independent = ScanResult::kNone; // the last " *"
        std::int32_t keyDown = ScanResult::kNone;     // the last "$d"
        std::uint32_t exactBegin = 0;                 // into exact_, sorted by velocity
        std::uint32_t exactCount = 0;
    };
    struct Exact {
        std::uint8_t velocity = 0;
        std::int32_t row = ScanResult::kNone;
    };
    // Open addressing on status << 8 | key; bucket 0 marks an empty slot.
    struct Slot {
        std::uint16_t statusKey = 0;
        std::uint32_t bucket = 0;
    };

    [[nodiscard]] const Bucket* find(std::uint16_t statusKey) const;

    std::vector<CompiledHotkey> rows_;
    std::vector<Bucket> buckets_; // buckets_[0] is unused
    std::vector<Exact> exact_;
    std::vector<Slot> slots_;
    std::uint32_t slotMask_ = 0;
};

} // namespace tonvarra::app
