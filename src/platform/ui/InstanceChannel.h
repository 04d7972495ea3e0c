#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace brisma {

// The channel by which a second start of the client on the same application folder asks the
// running one to come into view. One local socket per folder and per user, outside the folder:
// under $XDG_RUNTIME_DIR, or a private folder of the user's in the temporary folder.
class InstanceChannel {
public:
    explicit InstanceChannel(const std::string& appFolder);
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // The running client: every request calls `onRequest`; anything else arriving is dropped.
    // Only the holder of the folder's lock listens, so a socket left by a crash is replaced.
    bool listen(std::function<void()> onRequest);
    // A second start: sends the request. False when no client took it.
    bool ask() const;
    // The path of the socket listened on; empty when not listening.
    const QString& address() const { return address_; }

private:
    QString name_;
    QString address_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> onRequest_;
};

} // namespace brisma
