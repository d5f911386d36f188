#include "app/hotkey_index.h"

#include "base/cp1252.h"

#include <algorithm>
#include <bit>

namespace tonvarra::app {

namespace {

struct Entry {
    std::uint16_t statusKey;
    StoredEvent event;
    std::int32_t row;
};

std::uint32_t SlotOf(std::uint16_t statusKey, std::uint32_t mask) {
    // Fibonacci hashing spreads the neighbouring notes of one channel.
    return static_cast<std::uint32_t>((statusKey * 0x9E3779B1u) >> 16) & mask;
}

} // namespace

ActionKind ParseActionKind(std::string_view outgoingset) {
    if (outgoingset == "keyn") {
        return ActionKind::keyn;
    }
    if (outgoingset == "keystroke") {
        return ActionKind::keystroke;
    }
    if (outgoingset == "keystroker") {
        return ActionKind::keystroker;
    }
    return ActionKind::Other;
}

HotkeyIndex::HotkeyIndex(const store::HotkeyTable::Rows& rows) {
    rows_.reserve(rows.size());
    std::vector<Entry> entries;
    entries.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& source = rows[i];
        rows_.push_back({ParseActionKind(source.outgoingset), source.enabled, Utf8ToCp1252(source.outgoing)});
        // The file holds Windows-1252, one byte per character; the ten characters are counted there.
        const auto stored = Utf8ToCp1252(source.data);
        const auto event = stored ? CompileEventText(*stored) : std::nullopt;
        if (event) {
            entries.push_back({static_cast<std::uint16_t>(event->status << 8 | event->key), *event,
                               static_cast<std::int32_t>(i)});
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.statusKey < b.statusKey; });

    buckets_.emplace_back();
    std::vector<std::pair<std::uint16_t, std::uint32_t>> placed;
    for (auto first = entries.begin(); first != entries.end();) {
        const auto last = std::find_if(first, entries.end(),
                                       [&](const Entry& e) { return e.statusKey != first->statusKey; });
        Bucket bucket;
        bucket.exactBegin = static_cast<std::uint32_t>(exact_.size());
        // Rows ascend within the group, so a later row overwrites an earlier one.
        for (auto e = first; e != last; ++e) {
            switch (e->event.mode) {
            case VelocityMode::Independent:
                bucket.independent = e->row;
                break;
            case VelocityMode::KeyDown:
                bucket.keyDown = e->row;
                break;
            case VelocityMode::Dependent:
                exact_.push_back({e->event.velocity, e->row});
                break;
            }
        }
        auto exactFirst = exact_.begin() + bucket.exactBegin;
        std::stable_sort(exactFirst, exact_.end(),
                         [](const Exact& a, const Exact& b) { return a.velocity < b.velocity; });
        // Keep the last row of each velocity: stable sorting left it last of its run.
        auto out = exactFirst;
        for (auto in = exactFirst; in != exact_.end(); ++in) {
            if (out != exactFirst && (out - 1)->velocity == in->velocity) {
                *(out - 1) = *in;
            } else {
                *out++ = *in;
            }
        }
        exact_.erase(out, exact_.end());
        bucket.exactCount = static_cast<std::uint32_t>(exact_.size()) - bucket.exactBegin;
        placed.emplace_back(first->statusKey, static_cast<std::uint32_t>(buckets_.size()));
        buckets_.push_back(bucket);
        first = last;
    }

    const std::uint32_t slotCount =
        std::bit_ceil(std::max<std::uint32_t>(16, static_cast<std::uint32_t>(placed.size()) * 2));
    slots_.assign(slotCount, Slot{});
    slotMask_ = slotCount - 1;
    for (const auto& [statusKey, bucket] : placed) {
        auto s = SlotOf(statusKey, slotMask_);
        while (slots_[s].bucket != 0) {
            s = (s + 1) & slotMask_;
        }
        slots_[s] = {statusKey, bucket};
    }
}

const HotkeyIndex::Bucket* HotkeyIndex::find(std::uint16_t statusKey) const {
    if (slots_.empty()) {
        return nullptr;
    }
    for (auto s = SlotOf(statusKey, slotMask_);; s = (s + 1) & slotMask_) {
        const Slot& slot = slots_[s];
        if (slot.bucket == 0) {
            return nullptr;
        }
        if (slot.statusKey == statusKey) {
            return &buckets_[slot.bucket];
        }
    }
}

ScanResult HotkeyIndex::Scan(std::uint8_t status, std::uint8_t key, std::uint8_t velocity,
                             bool stopOnReleaseArmed) const {
    const Bucket* bucket = find(static_cast<std::uint16_t>(status << 8 | key));
    if (bucket == nullptr) {
        return {};
    }
    std::int32_t exactRow = ScanResult::kNone;
    const auto exactFirst = exact_.begin() + bucket->exactBegin;
    const auto exactLast = exactFirst + bucket->exactCount;
    const auto found = std::lower_bound(exactFirst, exactLast, velocity,
                                        [](const Exact& e, std::uint8_t v) { return e.velocity < v; });
    if (found != exactLast && found->velocity == velocity) {
        exactRow = found->row;
    }
    // Scanning down from the last row, the first of these three that the scan
    // reaches is the highest row; " *" is passed over until the release stop is armed.
    const std::int32_t independentRow = stopOnReleaseArmed ? bucket->independent : ScanResult::kNone;
    const std::int32_t reached = std::max({exactRow, independentRow, bucket->keyDown});
    if (reached == ScanResult::kNone) {
        return {};
    }
    const bool release = velocity == 0;
    if (reached == independentRow) {
        return {reached, release};
    }
    if (reached == bucket->keyDown) {
        // A release ends the scan here: nothing fires, no earlier hotkey is examined.
        return {release ? ScanResult::kNone : reached, release && stopOnReleaseArmed};
    }
    return {reached, false};
}

} // namespace tonvarra::app
