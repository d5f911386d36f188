#pragma once

// CheckList: names with a tick each and at most one selected row; the file list
// `filenames` and the device selection `device`. GUI thread only.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/hotkey_table.h"

namespace tonvarra::store {

class CheckList {
public:
    using Listener = std::function<void(const TableChange&)>;

    [[nodiscard]] std::size_t size() const { return names_.size(); }
    [[nodiscard]] const std::string& name(std::size_t i) const { return names_.at(i); }
    [[nodiscard]] bool ticked(std::size_t i) const { return ticks_.at(i); }
    [[nodiscard]] const std::vector<std::string>& names() const { return names_; }
    [[nodiscard]] std::optional<std::size_t> selected() const { return selected_; }

    void append(std::string name, bool ticked = false);
    void remove(std::size_t i);
    void setTicked(std::size_t i, bool ticked);
    void clearTicks();
    void clear();
    // Replaces every row at once, none ticked and none selected.
    void assign(std::vector<std::string> names);
    // The selection is the view's: it tells no listener. A row past the end selects none.
    void select(std::optional<std::size_t> row);
    // The ticked rows, first to last.
    [[nodiscard]] std::vector<std::size_t> tickedRows() const;
    void addListener(Listener listener);

private:
    void notify(const TableChange& change);

    std::vector<std::string> names_;
    std::vector<bool> ticks_;
    std::optional<std::size_t> selected_;
    std::vector<Listener> listeners_;
};

} // namespace tonvarra::store
