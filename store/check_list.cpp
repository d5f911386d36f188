#include "store/check_list.h"

#include <stdexcept>
#include <utility>

namespace tonvarra::store {

void CheckList::append(std::string name, bool ticked) {
    names_.push_back(std::move(name));
    ticks_.push_back(ticked);
    notify({TableChange::Kind::Inserted, names_.size() - 1});
}

void CheckList::remove(std::size_t i) {
    if (i >= names_.size()) {
        throw std::out_of_range("CheckList::remove: no row " + std::to_string(i));
    }
    names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
    ticks_.erase(ticks_.begin() + static_cast<std::ptrdiff_t>(i));
    if (selected_ == i) {
        selected_.reset();
    } else if (selected_ && *selected_ > i) {
        --*selected_;
    }
    notify({TableChange::Kind::Removed, i});
}

void CheckList::setTicked(std::size_t i, bool ticked) {
    ticks_.at(i) = ticked;
    notify({TableChange::Kind::Changed, i});
}

void CheckList::clearTicks() {
    ticks_.assign(ticks_.size(), false);
    notify({TableChange::Kind::Reset, 0});
}

void CheckList::clear() {
    assign({});
}

void CheckList::assign(std::vector<std::string> names) {
    names_ = std::move(names);
    ticks_.assign(names_.size(), false);
    selected_.reset();
    notify({TableChange::Kind::Reset, 0});
}

void CheckList::select(std::optional<std::size_t> row) {
    if (row && *row >= names_.size()) {
        row.reset();
    }
    selected_ = row;
}

std::vector<std::size_t> CheckList::tickedRows() const {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < ticks_.size(); ++i) {
        if (ticks_[i]) {
            rows.push_back(i);
        }
    }
    return rows;
}

void CheckList::addListener(Listener listener) {
    listeners_.push_back(std::move(listener));
}

void CheckList::notify(const TableChange& change) {
    for (const Listener& listener : listeners_) {
        listener(change);
    }
}

} // namespace tonvarra::store
