#pragma once

// HotkeyTable: the hotkeys of the current file. This header is the contract that
// the matcher and the windows use; the store's owner may add to it.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tonvarra::store {

// HotkeyEntry: one hotkey, one line of the hotkey file. Texts are UTF-8.
struct HotkeyEntry {
    std::string midiname;    // the name; its check box is the enabled mark
    std::string data;        // the MIDI event, "90, 3C, 64" or with a velocity wildcard
    std::string outgoing;    // the key sequence
    std::string outgoingset; // the action kind: "keyn", "keystroke" or "keystroker"
    std::string namechecked; // the stored face of the enabled mark ("-1", "0", or as read)
    bool enabled = false;    // the check box face of the enabled mark
    friend bool operator==(const HotkeyEntry&, const HotkeyEntry&) = default;
};

struct TableChange {
    enum class Kind { Reset, Inserted, Removed, Changed };
    Kind kind = Kind::Reset;
    std::size_t row = 0; // the row inserted, removed or changed
};

class HotkeyTable {
public:
    using Rows = std::vector<HotkeyEntry>;
    using Snapshot = std::shared_ptr<const Rows>;
    using Listener = std::function<void(const TableChange&)>;

    HotkeyTable();

    // GUI thread: reads and changes. Every change acts on a whole row, publishes
    // a new snapshot and then tells the listeners.
    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] const HotkeyEntry& row(std::size_t i) const;
    void append(HotkeyEntry entry);
    // Replaces the texts of row i (name, event, action, kind); the mark stays.
    void replace(std::size_t i, const HotkeyEntry& texts);
    void remove(std::size_t i);
    // Sets both faces of the mark: "-1" and ticked, or "0" and cleared.
    void setEnabled(std::size_t i, bool enabled);
    // Replaces every row at once (the load).
    void assign(Rows rows);
    void clear();
    void addListener(Listener listener);

    // Any thread: the whole table as it was after some change, never a mixture.
    [[nodiscard]] Snapshot snapshot() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace tonvarra::store
