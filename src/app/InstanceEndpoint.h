#pragma once

#include "platform/InstanceSocket.h"
#include "platform/SingleInstance.h"
#include "ui/ShellMessages.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

// This instance's listening end (see platform/SingleInstance.h). Lives on the
// user-interface thread; the handler runs there and its result is the
// answer.
//
// It listens as soon as the instance holds its lock, long before the main
// window exists, so that a second start waits as briefly as it can; messages
// that arrive before the handler is set are kept and handled, in order, when
// it is.
class InstanceEndpoint : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<int32_t(uint32_t message, uint32_t param)>;

    // What a peer can hold of ours. A start sends its message as soon as it
    // connects, so one that has not within readTimeout has stalled or is no
    // start. Connections beyond the limit wait in the kernel's backlog;
    // those whose message waits for the handler count against it too, which
    // bounds what is kept before the window exists.
    struct Limits {
        size_t connections = 64;
        std::chrono::milliseconds readTimeout{5000};
    };

    explicit InstanceEndpoint(QObject* parent = nullptr);
    explicit InstanceEndpoint(Limits limits, QObject* parent = nullptr);
    ~InstanceEndpoint() override;

    bool Listen(const std::string& path);
    bool Listen(const std::string& path, Handler handler);
    void SetHandler(Handler handler);
    void Close();
    bool IsListening() const;

private:
    struct Connection;
    void OnAcceptable();
    void OnReadable(Connection* connection);
    void OnReadTimeout();
    void Handle(Connection* connection);
    std::unique_ptr<Connection> Take(Connection* connection);
    void ArmReadTimeout();
    void UpdateAccepting();

    Limits limits_;
    EndpointListener listener_;
    std::unique_ptr<QSocketNotifier> acceptNotifier_;
    QTimer readTimer_;
    // Accepting failed for want of descriptors: the listener stays readable,
    // so it is looked at again a little later instead of at once.
    QTimer acceptRetry_;
    Handler handler_;
    // Connections still reading, and those whose message waits for the
    // handler (in arrival order, in pending_).
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<Connection*> pending_;
};
