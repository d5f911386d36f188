#pragma once

// HotkeyTable: the hotkeys of the current file. This header is the contract that
// the matcher and the windows use; the store's owner may add to it.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
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
    // The Windows-1252 bytes of a loaded line that the file format cannot hold
    // (a separator missing, repeated or out of order), so that an unchanged row
    // is saved exactly as it was read; empty for every other row, and cleared
    // by any change of the row.
    std::string line = {};
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
    HotkeyTable(const HotkeyTable&) = delete;
    HotkeyTable& operator=(const HotkeyTable&) = delete;

    // GUI thread: reads and changes. Every change acts on a whole row, publishes
    // a new snapshot and then tells the listeners.
    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] const HotkeyEntry& row(std::size_t i) const;
    // Appends a row. Its mark is taken from `enabled`; `namechecked` is kept
    // only when it reads as the same truth value, else it becomes "-1" or "0".
    void append(HotkeyEntry entry);
    // Replaces the texts of row i (name, event, action, kind); the mark stays.
    void replace(std::size_t i, const HotkeyEntry& texts);
    void remove(std::size_t i);
    // Sets both faces of the mark: "-1" and ticked, or "0" and cleared.
    void setEnabled(std::size_t i, bool enabled);
    // Replaces every row at once, as given (the load sets both faces itself).
    void assign(Rows rows);
    void clear();
    void addListener(Listener listener);

    // Any thread: the whole table as it was after some change, never a mixture.
    [[nodiscard]] Snapshot snapshot() const;

private:
    void publish(Rows rows, const TableChange& change);

    Snapshot rows_; // GUI thread only; the same rows as published_
    // Held only to copy or swap the pointer. (std::atomic<std::shared_ptr> of
    // this standard library is not understood by ThreadSanitizer.)
    mutable std::mutex publishedMutex_;
    Snapshot published_;
    std::vector<Listener> listeners_;
};

} // namespace tonvarra::store
