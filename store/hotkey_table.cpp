#include "store/hotkey_table.h"

#include "store/settings_format.h"

#include <stdexcept>
#include <utility>

namespace tonvarra::store {

HotkeyTable::HotkeyTable()
    : rows_(std::make_shared<const Rows>())
    , published_(rows_) {}

std::size_t HotkeyTable::size() const {
    return rows_->size();
}

const HotkeyEntry& HotkeyTable::row(std::size_t i) const {
    return rows_->at(i);
}

void HotkeyTable::append(HotkeyEntry entry) {
    if (ReadTruthValue(entry.namechecked) != entry.enabled) {
        entry.namechecked = entry.enabled ? "-1" : "0";
    }
    entry.line.clear();
    Rows rows = *rows_;
    rows.push_back(std::move(entry));
    publish(std::move(rows), {TableChange::Kind::Inserted, rows_->size()});
}

void HotkeyTable::replace(std::size_t i, const HotkeyEntry& texts) {
    Rows rows = *rows_;
    HotkeyEntry& target = rows.at(i);
    target.midiname = texts.midiname;
    target.data = texts.data;
    target.outgoing = texts.outgoing;
    target.outgoingset = texts.outgoingset;
    target.line.clear();
    publish(std::move(rows), {TableChange::Kind::Changed, i});
}

void HotkeyTable::remove(std::size_t i) {
    if (i >= rows_->size()) {
        throw std::out_of_range("HotkeyTable::remove: no row " + std::to_string(i));
    }
    Rows rows = *rows_;
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i));
    publish(std::move(rows), {TableChange::Kind::Removed, i});
}

void HotkeyTable::setEnabled(std::size_t i, bool enabled) {
    Rows rows = *rows_;
    HotkeyEntry& target = rows.at(i);
    target.enabled = enabled;
    target.namechecked = enabled ? "-1" : "0";
    target.line.clear();
    publish(std::move(rows), {TableChange::Kind::Changed, i});
}

void HotkeyTable::assign(Rows rows) {
    publish(std::move(rows), {TableChange::Kind::Reset, 0});
}

void HotkeyTable::clear() {
    assign({});
}

void HotkeyTable::addListener(Listener listener) {
    listeners_.push_back(std::move(listener));
}

HotkeyTable::Snapshot HotkeyTable::snapshot() const {
    const std::lock_guard lock(publishedMutex_);
    return published_;
}

void HotkeyTable::publish(Rows rows, const TableChange& change) {
    rows_ = std::make_shared<const Rows>(std::move(rows));
    Snapshot previous = rows_;
    {
        const std::lock_guard lock(publishedMutex_);
        published_.swap(previous);
    }
    previous.reset(); // the old rows are freed outside the lock
    for (const Listener& listener : listeners_) {
        listener(change);
    }
}

} // namespace tonvarra::store
