#pragma once

// SingleInstance: keeps a second start of the program for the same settings
// folder from running beside the first. Two instances would open the same
// devices, type every key twice and overwrite each other's saves; instead the
// second asks the first to come to the front and ends.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>

namespace tonvarra::app {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const std::filesystem::path& settingsFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only instance (it then listens for later starts);
    // false when another instance runs, which has been asked to come to the front.
    [[nodiscard]] bool claim();

    // The name both the lock and the local socket are keyed to.
    [[nodiscard]] static QString keyFor(const std::filesystem::path& settingsFolder);

Q_SIGNALS:
    void activationRequested();

private:
    bool askRunningInstance() const;

    QString key_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

} // namespace tonvarra::app
