#include "app/gui/InstanceEndpoint.h"

#include "platform/Bytes.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <array>

namespace {

constexpr qsizetype MessageBytes = 8;
constexpr qsizetype AnswerBytes = 4;

} // namespace

struct InstanceEndpoint::Pending {
    QPointer<QLocalSocket> socket;
    uint32_t message;
    uint32_t param;
};

InstanceEndpoint::InstanceEndpoint(QObject* parent) : QObject(parent) {}

InstanceEndpoint::~InstanceEndpoint()
{
    Close();
}

bool InstanceEndpoint::Listen(const std::string& path)
{
    Close();
    server_ = new QLocalServer(this);
    // Bound in a private folder and renamed into place: the path appears
    // only once it accepts connections.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A file left by a crashed process that had our pid.
    QLocalServer::removeServer(QString::fromStdString(path));
    if (!server_->listen(QString::fromStdString(path))) {
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &InstanceEndpoint::OnConnection);
    return true;
}

bool InstanceEndpoint::Listen(const std::string& path, Handler handler)
{
    SetHandler(std::move(handler));
    return Listen(path);
}

void InstanceEndpoint::SetHandler(Handler handler)
{
    handler_ = std::move(handler);
    if (!handler_)
        return;
    std::vector<std::unique_ptr<Pending>> waiting;
    waiting.swap(pending_);
    // A start that gave up waiting for the answer has still handed its
    // message over: it is acted on all the same.
    for (const std::unique_ptr<Pending>& p : waiting)
        Handle(p->socket, p->message, p->param);
}

void InstanceEndpoint::Close()
{
    if (!server_)
        return;
    server_->close();
    delete server_;
    server_ = nullptr;
}

bool InstanceEndpoint::IsListening() const
{
    return server_ && server_->isListening();
}

void InstanceEndpoint::OnConnection()
{
    while (server_ && server_->hasPendingConnections()) {
        QLocalSocket* socket = server_->nextPendingConnection();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->read(MessageBytes - buffer->size()));
            if (buffer->size() < MessageBytes)
                return;
            const auto* bytes = reinterpret_cast<const uint8_t*>(buffer->constData());
            const uint32_t message = ReadU32(bytes, 0);
            const uint32_t param = ReadU32(bytes, 4);
            buffer->clear();
            if (!handler_) {
                pending_.push_back(std::make_unique<Pending>(Pending{socket, message, param}));
                return;
            }
            Handle(socket, message, param);
        });
    }
}

void InstanceEndpoint::Handle(QLocalSocket* socket, uint32_t message, uint32_t param)
{
    // The handler may end the program (KILL) or close this endpoint; the
    // socket is kept alive across it to answer.
    QPointer<QLocalSocket> guard(socket);
    if (socket)
        socket->setParent(nullptr);
    const int32_t result = handler_ ? handler_(message, param) : 0;
    if (!guard)
        return;
    std::array<uint8_t, AnswerBytes> reply{};
    WriteU32(reply.data(), 0, static_cast<uint32_t>(result));
    guard->write(reinterpret_cast<const char*>(reply.data()), static_cast<qint64>(reply.size()));
    guard->flush();
    guard->disconnectFromServer();
}
