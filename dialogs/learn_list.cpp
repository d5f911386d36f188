#include "dialogs/learn_list.h"

#include <QListWidget>
#include <QMetaObject>

#include <algorithm>

namespace tonvarra::dialogs {

namespace {

constexpr std::uint8_t kActiveSensing = 0xFE;

QString Hex2(std::uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString LearnDisplayLine(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2) {
    return QStringLiteral("Status: %1, Key: %2, Velocity: %3").arg(Hex2(Status), Hex2(Data1), Hex2(Data2));
}

QString LearnEventText(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2) {
    return QStringLiteral("%1, %2, %3").arg(Hex2(Status), Hex2(Data1), Hex2(Data2));
}

LearnList::LearnList(std::mutex& lock, QListWidget* memlog, QObject* parent)
    : QObject(parent)
    , lock_(lock)
    , memlog_(memlog) {
    waiting_.reserve(kMaxEntries);
}

void LearnList::add(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2) {
    if (Status == kActiveSensing)
        return;
    bool post = false;
    {
        std::lock_guard guard(lock_);
        // A flood that the GUI has not taken yet keeps only what the lists would keep.
        if (waiting_.size() == static_cast<std::size_t>(kMaxEntries))
            waiting_.erase(waiting_.begin());
        waiting_.push_back({Status, Data1, Data2});
        post = !posted_;
        posted_ = true;
    }
    if (post)
        QMetaObject::invokeMethod(
            this, [this] { takeWaiting(); }, Qt::QueuedConnection);
}

void LearnList::takeWaiting() {
    std::vector<Entry> batch;
    {
        std::lock_guard guard(lock_);
        batch.swap(waiting_);
        posted_ = false;
    }
    if (batch.empty())
        return;
    // Only the newest kMaxEntries of the batch can survive the trim below.
    const auto skip = batch.size() > static_cast<std::size_t>(kMaxEntries) ? batch.size() - kMaxEntries : 0;
    QStringList lines;
    QStringList texts;
    for (auto it = batch.rbegin(); it != batch.rend() - static_cast<std::ptrdiff_t>(skip); ++it) {
        lines.append(LearnDisplayLine(it->status, it->data1, it->data2));
        texts.append(LearnEventText(it->status, it->data1, it->data2));
    }
    memlog_->setUpdatesEnabled(false);
    memlog_->insertItems(0, lines);
    memlogdata_ = texts + memlogdata_;
    while (memlog_->count() > kMaxEntries)
        delete memlog_->takeItem(memlog_->count() - 1);
    if (memlogdata_.size() > kMaxEntries)
        memlogdata_.erase(memlogdata_.begin() + kMaxEntries, memlogdata_.end());
    memlog_->setUpdatesEnabled(true);
}

} // namespace tonvarra::dialogs
