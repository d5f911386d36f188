#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace tonvarra::app {
namespace {

constexpr int kConnectTries = 20;
constexpr int kWaitMs = 100;
const QByteArray kActivate = QByteArrayLiteral("activate\n");

} // namespace

SingleInstance::SingleInstance(const std::filesystem::path& settingsFolder, QObject* parent)
    : QObject(parent)
    , key_(keyFor(settingsFolder)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kActivate.trimmed())) {
                    Q_EMIT activationRequested();
                }
            });
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.close();
}

QString SingleInstance::keyFor(const std::filesystem::path& settingsFolder) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::weakly_canonical(settingsFolder, ec);
    if (ec) {
        folder = settingsFolder.lexically_normal();
    }
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(folder.string()), QCryptographicHash::Sha1)
            .toHex();
    return QStringLiteral("tonvarra-") + QString::fromLatin1(hash.left(16));
}

bool SingleInstance::claim() {
    // The lock file decides who is first, also across a crash (a stale lock of
    // a dead process is taken over); the socket only carries the request.
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(key_ + QStringLiteral(".lock")));
    if (!lock_->tryLock(0)) {
        lock_.reset();
        // When the lock is held this asks the holder to come to the front; if
        // that fails too, it is still not safe to run a second instance.
        askRunningInstance();
        return false;
    }
    QLocalServer::removeServer(key_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(key_);
    return true;
}

bool SingleInstance::askRunningInstance() const {
    // The first instance may still be starting and not listen yet.
    for (int i = 0; i < kConnectTries; ++i) {
        QLocalSocket socket;
        socket.connectToServer(key_);
        if (socket.waitForConnected(kWaitMs)) {
            socket.write(kActivate);
            const bool written = socket.waitForBytesWritten(kWaitMs * 10);
            socket.disconnectFromServer();
            return written;
        }
        QThread::msleep(kWaitMs);
    }
    return false;
}

} // namespace tonvarra::app
