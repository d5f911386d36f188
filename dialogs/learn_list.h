#pragma once

#include <QObject>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class QListWidget;

namespace tonvarra::dialogs {

// LearnList: the played messages of a learning window, newest first, as display
// lines in the visible list `memlog` and as event texts in the hidden list
// `memlogdata`, always at the same positions.
class LearnList : public QObject {
    Q_OBJECT
public:
    // Older entries fall off the end beyond this many.
    static constexpr int kMaxEntries = 1000;

    // lock is the owning window's learn lock; memlog is the visible list.
    LearnList(std::mutex& lock, QListWidget* memlog, QObject* parent = nullptr);

    // Any thread: notes one message (active sensing excepted) and posts it to the
    // GUI thread. Never waits for the GUI thread, which holds the lock only to
    // take what is waiting.
    void add(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2);

    // GUI thread.
    [[nodiscard]] const QStringList& memlogdata() const { return memlogdata_; }
    // Moves what is waiting into the lists now; posted after every add.
    void takeWaiting();

private:
    struct Entry {
        std::uint8_t status, data1, data2;
    };

    std::mutex& lock_;
    QListWidget* memlog_;
    QStringList memlogdata_;
    std::vector<Entry> waiting_; // under lock_
    bool posted_ = false;        // under lock_
};

// "Status: 90, Key: 3C, Velocity: 64" and "90, 3C, 64".
[[nodiscard]] QString LearnDisplayLine(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2);
[[nodiscard]] QString LearnEventText(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2);

} // namespace tonvarra::dialogs
