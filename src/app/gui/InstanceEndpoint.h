#pragma once

#include "app/SingleInstance.h"
#include "app/gui/ShellMessages.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QByteArray;

// This instance's listening end (see app/SingleInstance.h). Lives on the
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

    explicit InstanceEndpoint(QObject* parent = nullptr);
    ~InstanceEndpoint() override;

    bool Listen(const std::string& path);
    bool Listen(const std::string& path, Handler handler);
    void SetHandler(Handler handler);
    void Close();
    bool IsListening() const;

private:
    struct Pending;
    void OnConnection();
    void Handle(QLocalSocket* socket, uint32_t message, uint32_t param);

    QLocalServer* server_ = nullptr;
    Handler handler_;
    std::vector<std::unique_ptr<Pending>> pending_;
};
