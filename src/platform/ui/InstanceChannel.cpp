#include "platform/ui/InstanceChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisma {
namespace {

const QByteArray kRequest = QByteArrayLiteral("show\n");
constexpr int kAskTimeoutMs = 2000;
// A peer that has not sent its request by then is dropped: idle peers would hold descriptors.
constexpr int kPeerSilenceMs = 2000;

// A folder of this user's that no one else may enter.
bool isPrivateFolder(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

// The folder of the sockets; empty when there is none. Only the listening side (`create`) says
// on stderr why the temporary folder's one is refused: the running client is the one that loses
// its channel.
QString socketFolder(bool create) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        if (isPrivateFolder(runtime))
            return QString::fromLocal8Bit(runtime);
    }
    const QByteArray own = QDir::tempPath().toLocal8Bit() + "/brisma-" + QByteArray::number(::getuid());
    if (create && ::mkdir(own.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    if (isPrivateFolder(own))
        return QString::fromLocal8Bit(own);
    if (create)
        std::fprintf(stderr,
                     "brisma: %s is not a folder of this user's that only this user may enter; a second "
                     "start cannot bring this one into view (set XDG_RUNTIME_DIR, or remove that folder)\n",
                     own.constData());
    return {};
}

bool fromThisUser(const QLocalSocket& socket) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::getuid();
}

} // namespace

InstanceChannel::InstanceChannel(const std::string& appFolder) {
    const QString folder = QString::fromStdString(appFolder);
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QByteArray key = (canonical.isEmpty() ? QDir::cleanPath(folder) : canonical).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24);
    name_ = QStringLiteral("brisma-") + QString::fromLatin1(hash) + QStringLiteral(".sock");
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listen(std::function<void()> onRequest) {
    const QString folder = socketFolder(true);
    if (folder.isEmpty())
        return false;
    const QString path = folder + QLatin1Char('/') + name_;
    onRequest_ = std::move(onRequest);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    if (!server_->listen(path)) {
        server_.reset();
        return false;
    }
    address_ = path;
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (!fromThisUser(*socket)) {
                socket->abort();
                continue;
            }
            QTimer::singleShot(kPeerSilenceMs, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                // One short line is all a request is; anything longer or different is dropped.
                const QByteArray got = socket->peek(kRequest.size() + 1);
                if (got.size() < kRequest.size() && kRequest.startsWith(got))
                    return;
                const bool request = got == kRequest;
                socket->abort();
                if (request && onRequest_)
                    onRequest_();
            });
        }
    });
    return true;
}

bool InstanceChannel::ask() const {
    const QString folder = socketFolder(false);
    if (folder.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(folder + QLatin1Char('/') + name_);
    if (!socket.waitForConnected(kAskTimeoutMs))
        return false;
    socket.write(kRequest);
    const bool sent = socket.waitForBytesWritten(kAskTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

} // namespace brisma
