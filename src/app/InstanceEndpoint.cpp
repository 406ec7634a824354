#include "app/InstanceEndpoint.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds AcceptRetry{100};

} // namespace

struct InstanceEndpoint::Connection {
    explicit Connection(int socket) : fd(socket) {}
    ~Connection()
    {
        notifier.reset();
        ::close(fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Reading() const { return notifier != nullptr; }

    int fd;
    // Only while the message is still coming: once it is whole the
    // connection is not read any more, and a peer that goes on writing
    // fills the kernel's buffer, not ours.
    std::unique_ptr<QSocketNotifier> notifier;
    EndpointMessageReader reader;
    Clock::time_point deadline;
};

InstanceEndpoint::InstanceEndpoint(QObject* parent) : InstanceEndpoint(Limits{}, parent) {}

InstanceEndpoint::InstanceEndpoint(Limits limits, QObject* parent) : QObject(parent), limits_(limits)
{
    limits_.connections = std::max<size_t>(limits_.connections, 1);
    readTimer_.setSingleShot(true);
    connect(&readTimer_, &QTimer::timeout, this, &InstanceEndpoint::OnReadTimeout);
    acceptRetry_.setSingleShot(true);
    acceptRetry_.setInterval(AcceptRetry);
    connect(&acceptRetry_, &QTimer::timeout, this, &InstanceEndpoint::UpdateAccepting);
}

InstanceEndpoint::~InstanceEndpoint()
{
    Close();
}

bool InstanceEndpoint::Listen(const std::string& path)
{
    Close();
    if (!listener_.Listen(path))
        return false;
    acceptNotifier_ = std::make_unique<QSocketNotifier>(listener_.Fd(), QSocketNotifier::Read);
    connect(acceptNotifier_.get(), &QSocketNotifier::activated, this, &InstanceEndpoint::OnAcceptable);
    UpdateAccepting();
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
    std::vector<Connection*> waiting;
    waiting.swap(pending_);
    // A start that gave up waiting for the answer has still handed its
    // message over: it is acted on all the same.
    for (Connection* connection : waiting)
        Handle(connection);
}

void InstanceEndpoint::Close()
{
    acceptNotifier_.reset();
    acceptRetry_.stop();
    readTimer_.stop();
    listener_.Close();
    // Messages already whole stay to be handled (and answered) when the
    // handler comes; half-read ones are dropped with their connections.
    std::erase_if(connections_, [](const std::unique_ptr<Connection>& c) { return c->Reading(); });
}

bool InstanceEndpoint::IsListening() const
{
    return listener_.IsListening();
}

void InstanceEndpoint::OnAcceptable()
{
    while (acceptNotifier_ && connections_.size() < limits_.connections) {
        const int fd = listener_.Accept();
        if (fd < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            // A connection that failed while waiting to be taken.
            if (errno == ECONNABORTED || errno == EPROTO)
                continue;
            // Out of descriptors or memory: the waiting connection stays
            // queued, to be taken once there is room.
            acceptRetry_.start();
            break;
        }
        auto connection = std::make_unique<Connection>(fd);
        Connection* c = connection.get();
        c->deadline = Clock::now() + limits_.readTimeout;
        c->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(c->notifier.get(), &QSocketNotifier::activated, this, [this, c] { OnReadable(c); });
        connections_.push_back(std::move(connection));
    }
    UpdateAccepting();
    ArmReadTimeout();
}

void InstanceEndpoint::OnReadable(Connection* connection)
{
    switch (connection->reader.ReadFrom(connection->fd)) {
    case EndpointMessageReader::State::Reading:
        return;
    case EndpointMessageReader::State::Closed:
        Take(connection);
        UpdateAccepting();
        return;
    case EndpointMessageReader::State::Complete:
        // Its own signal is being delivered: Qt allows the notifier to go
        // from within it.
        connection->notifier.reset();
        if (!handler_) {
            pending_.push_back(connection);
            return;
        }
        Handle(connection);
        return;
    }
}

void InstanceEndpoint::OnReadTimeout()
{
    const Clock::time_point now = Clock::now();
    std::erase_if(connections_,
                  [now](const std::unique_ptr<Connection>& c) { return c->Reading() && c->deadline <= now; });
    UpdateAccepting();
    ArmReadTimeout();
}

void InstanceEndpoint::Handle(Connection* connection)
{
    // The handler may close this endpoint (KILL ends the program); the
    // connection is ours alone from here on, to answer.
    const std::unique_ptr<Connection> owned = Take(connection);
    UpdateAccepting();
    if (!owned)
        return;
    const InstanceMessage message = owned->reader.Message();
    const int32_t result = handler_ ? handler_(message.message, message.param) : 0;
    // A start that stopped waiting is gone; it has nothing to be told.
    [[maybe_unused]] const bool answered = SendEndpointAnswer(owned->fd, result);
}

std::unique_ptr<InstanceEndpoint::Connection> InstanceEndpoint::Take(Connection* connection)
{
    std::erase(pending_, connection);
    const auto it = std::find_if(connections_.begin(), connections_.end(),
                                 [connection](const std::unique_ptr<Connection>& c) { return c.get() == connection; });
    if (it == connections_.end())
        return nullptr;
    std::unique_ptr<Connection> owned = std::move(*it);
    connections_.erase(it);
    return owned;
}

void InstanceEndpoint::ArmReadTimeout()
{
    Clock::time_point earliest = Clock::time_point::max();
    for (const std::unique_ptr<Connection>& c : connections_) {
        if (c->Reading())
            earliest = std::min(earliest, c->deadline);
    }
    if (earliest == Clock::time_point::max()) {
        readTimer_.stop();
        return;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(earliest - Clock::now());
    readTimer_.start(std::max(left, std::chrono::milliseconds(0)));
}

void InstanceEndpoint::UpdateAccepting()
{
    if (acceptNotifier_)
        acceptNotifier_->setEnabled(connections_.size() < limits_.connections && !acceptRetry_.isActive());
}
