#pragma once

// QuitSignals: turns SIGTERM and SIGINT into a Qt signal on the GUI thread (a
// self-pipe read by a socket notifier), so the program closes its main window
// the normal way, saving its settings and releasing held keys.

#include <QObject>

class QSocketNotifier;

namespace tonvarra::app {

class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tonvarra::app
