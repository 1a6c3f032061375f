#include "tools/receiver/ReceiverServer.h"

#include "core/Cp950.h"
#include "platform/Error.h"
#include "platform/ListenSocket.h"

#include <fcntl.h>
#include <microhttpd.h>
#include <poll.h>
#include <sys/socket.h>
#include <QDateTime>
#include <QHostAddress>
#include <QUrlQuery>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <utility>

struct ReceiverServer::Request {
    MHD_Connection* connection = nullptr;
    QByteArray target;  // as sent, query included
    QByteArray method;
    QByteArray version;
    QByteArray headers;
    QByteArray body;
    int verdict = 0;  // on the head, given before the library read it
    bool started = false;
    qint64 received = 0;     // body bytes
    qsizetype reserved = 0;  // counted in held_
    int failure = 0;         // the status refusing the request, once it is known
    qint64 bodyStart = 0;    // ms on the server's clock
    qint64 deadline = 0;     // for the rest of the body; 0: none
    // The connection is closed without an answer at the next call.
    bool dropped = false;
    // Set once silenced: the client hanging up ends the connection.
    std::unique_ptr<QSocketNotifier> hangUp;
    bool letGo = false;  // counted in closing_
};

namespace {

QString localTimestamp() {
    const QDateTime now = QDateTime::currentDateTime();
    // With an explicit offset the ISO text carries it; local time alone would not.
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QByteArray page(const QString& title, const QString& text) {
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">"
           "<title>" +
           cp950::encode(title) + "</title></head><body><p>" + cp950::encode(text) +
           "</p></body></html>\r\n";
}

const QByteArray& receivedPage() {
    static const QByteArray bytes = page(QStringLiteral("ORVEX"), QStringLiteral("註冊資料已收到"));
    return bytes;
}

const QByteArray& errorPage() {
    static const QByteArray bytes =
        page(QStringLiteral("500"), QStringLiteral("伺服器錯誤，註冊資料未能處理"));
    return bytes;
}

// The target up to its query.
qsizetype pathLength(const QByteArray& target) {
    const qsizetype question = target.indexOf('?');
    return question < 0 ? target.size() : question;
}

constexpr const char* kHtml = "text/html; charset=big5";
constexpr const char* kPlain = "text/plain; charset=us-ascii";

bool respond(MHD_Connection* connection, unsigned int status, const char* type,
             const QByteArray& body) {
    MHD_Response* response =
        MHD_create_response_from_buffer(static_cast<size_t>(body.size()),
                                        const_cast<char*>(body.constData()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return false;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    MHD_add_response_header(response, MHD_HTTP_HEADER_SERVER, "orvexreg-receiver");
    // One request per connection: a second one would reach the library unchecked.
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued == MHD_YES;
}

// The head as header lines in the order received; the library has taken the line ends and the
// blank around the colon away, so every line is written back as "Name: value" with CR LF.
MHD_Result addHeaderLine(void* cls, MHD_ValueKind, const char* key, size_t keySize,
                         const char* value, size_t valueSize) noexcept {
    auto* block = static_cast<QByteArray*>(cls);
    try {
        block->append(key, static_cast<qsizetype>(keySize));
        block->append(": ");
        block->append(value, static_cast<qsizetype>(valueSize));
        block->append("\r\n");
    } catch (...) {
        return MHD_NO;  // out of memory: the lines so far stand for the head
    }
    return MHD_YES;
}

const char* header(MHD_Connection* connection, const char* name) {
    return MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
}

QByteArray refusal(int status) {
    switch (status) {
        case MHD_HTTP_BAD_REQUEST:
            return "malformed request, or a body on a request other than POST\n";
        case MHD_HTTP_FORBIDDEN:
            return "requests from web pages or for another host are refused\n";
        case MHD_HTTP_CONTENT_TOO_LARGE:
            return "request body too large\n";
        case MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE:
            return "request head too large\n";
        case MHD_HTTP_NOT_IMPLEMENTED:
            return "unknown transfer coding\n";
        case MHD_HTTP_SERVICE_UNAVAILABLE:
            return "too many bodies at once; try again\n";
        case MHD_HTTP_INSUFFICIENT_STORAGE:
            return "the database is full; nothing was recorded\n";
    }
    return "request refused\n";
}

// The names a client of this receiver puts in Host, without the port.
QSet<QByteArray> ownHosts(const QString& address) {
    const QHostAddress host(address);
    const QByteArray text = host.toString().toLatin1();
    QSet<QByteArray> names = {
        "localhost", host.protocol() == QAbstractSocket::IPv6Protocol ? '[' + text + ']' : text};
    // A socket on every address is reached here through the loopback ones.
    if (host == QHostAddress::AnyIPv4 || host == QHostAddress::AnyIPv6) {
        names += {"127.0.0.1", "[::1]"};
    }
    return names;
}

bool listenQueueHolds(int listener) {
    pollfd entry{listener, POLLIN, 0};
    return ::poll(&entry, 1, 0) == 1;
}

constexpr int kAcceptsPerTurn = 32;
constexpr int kAcceptPauseMs = 100;
// A registration's body comes in a moment; one still coming after this is a slow client's.
constexpr qint64 kLingeringBodyMs = 1000;

}  // namespace

// The library's callbacks, each handing over to the server in its closure. Nothing thrown may
// unwind through the library's C frames: a failure becomes a message and the callback's
// refusal.
struct ReceiverCallbacks {
    static ReceiverServer& server(void* cls) { return *static_cast<ReceiverServer*>(cls); }

    template <typename Result, typename Body>
    static Result guarded(void* cls, Result failed, Body&& body) noexcept {
        try {
            return body();
        } catch (const std::exception& e) {
            server(cls).reportFault(QString::fromUtf8(e.what()));
        } catch (...) {
            server(cls).reportFault(QStringLiteral("unknown exception"));
        }
        return failed;
    }

    static void* requestStarts(void* cls, const char* uri, MHD_Connection* connection) noexcept {
        return guarded<void*>(cls, nullptr, [&]() -> void* {
            auto request = std::make_unique<ReceiverServer::Request>();
            request->connection = connection;
            request->target = uri;
            request->verdict = server(cls).verdicts_.value(connection);
            server(cls).requests_.insert(request.get());
            return request.release();
        });
    }

    static MHD_Result access(void* cls, MHD_Connection*, const char*, const char* method,
                             const char* version, const char* data, size_t* size,
                             void** context) noexcept {
        auto* request = static_cast<ReceiverServer::Request*>(*context);
        return guarded(cls, MHD_NO, [&] {
            return request != nullptr && server(cls).handle(*request, method, version, data, size)
                       ? MHD_YES
                       : MHD_NO;
        });
    }

    static void requestEnds(void* cls, MHD_Connection*, void** context,
                            MHD_RequestTerminationCode) noexcept {
        auto* request = static_cast<ReceiverServer::Request*>(*context);
        if (request != nullptr) {
            guarded(cls, 0, [&] {
                server(cls).finish(*request);
                return 0;
            });
            delete request;
            *context = nullptr;
        }
    }

    static void connection(void* cls, MHD_Connection* connection, void**,
                           MHD_ConnectionNotificationCode code) noexcept {
        guarded(cls, 0, [&] {
            ReceiverServer& s = server(cls);
            if (code == MHD_CONNECTION_NOTIFY_STARTED) {
                ++s.open_;
                s.verdicts_.insert(connection, s.handingOver_);
            } else {
                --s.open_;
                s.verdicts_.remove(connection);
                s.connectionEnded();
            }
            s.touch();
            return 0;
        });
    }

    static void log(void* cls, const char* format, va_list args) noexcept {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        guarded(cls, 0, [&] {
            ReceiverServer& s = server(cls);
            const QString message = QString::fromLocal8Bit(text).trimmed();
            if (s.starting_) {
                s.error_ = message;
            } else if (!s.dropping_ && s.closing_ == 0) {
                // Complaints about connections the receiver closes on purpose are no news.
                emit s.libraryMessage(message);
            }
            return 0;
        });
    }
};

ReceiverServer::ReceiverServer(ReceiverStore& store, ReceiverMode mode,
                               const ReceiverLimits& limits, QObject* parent)
    : QObject(parent), store_(store), mode_(mode), limits_(limits) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ReceiverServer::process);
    quiet_.setSingleShot(true);
    connect(&quiet_, &QTimer::timeout, this, &ReceiverServer::quietCheck);
    deadlines_.setSingleShot(true);
    connect(&deadlines_, &QTimer::timeout, this, &ReceiverServer::expireBodies);
    clock_.start();
}

ReceiverServer::~ReceiverServer() {
    events_.reset();
    accepting_.reset();
    gate_.reset();
    if (daemon_ != nullptr) {
        // The library refuses to stop with connections suspended; silenced ones are let go.
        for (Request* request : QList(silenced_)) {
            letGo(*request);
        }
        MHD_stop_daemon(daemon_);
    }
    if (listener_ >= 0) {
        listensocket::close(listener_);
    }
}

bool ReceiverServer::listen(quint16 port) {
    const int descriptor = listensocket::openLoopback(port, error_);
    if (descriptor < 0) {
        return false;
    }
    if (!start(descriptor)) {
        listensocket::close(descriptor);
        return false;
    }
    return true;
}

bool ReceiverServer::adopt(int descriptor) {
    return start(descriptor);
}

// The receiver accepts the connections itself and hands each to the library only once its head
// has passed the gate: the library's own accept would have it read heads unchecked.
bool ReceiverServer::start(int descriptor) {
    const std::optional<listensocket::Endpoint> endpoint = listensocket::endpoint(descriptor);
    if (!endpoint) {
        error_ = QStringLiteral("descriptor %1 is no listening TCP socket").arg(descriptor);
        return false;
    }
    gate_ = std::make_unique<HeadGate>(limits_.connectionMemory, limits_.headTimeoutMs,
                                       limits_.idleTimeoutSeconds * 1000);
    if (!gate_->isValid()) {
        gate_.reset();
        error_ = QStringLiteral("no descriptor is left to watch connections");
        return false;
    }
    starting_ = true;
    const auto flags = static_cast<unsigned int>(MHD_USE_NO_LISTEN_SOCKET | MHD_USE_EPOLL |
                                                 MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG);
    // Strict 1 refuses an HTTP/1.1 request without Host and a blank inside the target. This
    // version refuses a blank before a colon only at -1, which lets a missing Host through; the
    // gate checks that and the rest.
    daemon_ = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &ReceiverCallbacks::access, this, MHD_OPTION_EXTERNAL_LOGGER,
        &ReceiverCallbacks::log, this, MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned int>(limits_.idleTimeoutSeconds), MHD_OPTION_CONNECTION_LIMIT,
        static_cast<unsigned int>(limits_.maxConnections), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        static_cast<size_t>(limits_.connectionMemory), MHD_OPTION_STRICT_FOR_CLIENT, 1,
        MHD_OPTION_URI_LOG_CALLBACK, &ReceiverCallbacks::requestStarts, this,
        MHD_OPTION_NOTIFY_COMPLETED, &ReceiverCallbacks::requestEnds, this,
        MHD_OPTION_NOTIFY_CONNECTION, &ReceiverCallbacks::connection, this, MHD_OPTION_END);
    starting_ = false;
    if (daemon_ == nullptr) {
        gate_.reset();
        if (error_.isEmpty()) {
            error_ = QStringLiteral("the HTTP server did not start");
        }
        return false;
    }
    // A blocking accept would stall the event loop once the queue is empty.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    listener_ = descriptor;
    address_ = endpoint->address;
    port_ = endpoint->port;
    ownHosts_ = ownHosts(address_);
    const int events = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_EPOLL_FD)->epoll_fd;
    events_ = std::make_unique<QSocketNotifier>(events, QSocketNotifier::Read);
    connect(events_.get(), &QSocketNotifier::activated, this, &ReceiverServer::process);
    accepting_ = std::make_unique<QSocketNotifier>(listener_, QSocketNotifier::Read);
    connect(accepting_.get(), &QSocketNotifier::activated, this, &ReceiverServer::acceptWaiting);
    // Neither slot accepts at once: an event the gate is still going through may name a
    // descriptor that a new connection would take again.
    connect(gate_.get(), &HeadGate::headed, this, &ReceiverServer::admit);
    connect(gate_.get(), &HeadGate::closed, this, &ReceiverServer::connectionEnded);
    touch();
    return true;
}

// One turn of the library, then a wake-up for its next timeout (0: work is left over).
void ReceiverServer::process() {
    MHD_run(daemon_);
    dropping_ = false;
    MHD_UNSIGNED_LONG_LONG ms = 0;
    if (MHD_get_timeout(daemon_, &ms) == MHD_YES) {
        timer_.start(static_cast<int>(std::min<MHD_UNSIGNED_LONG_LONG>(ms, 60000)));
    } else {
        timer_.stop();
    }
}

void ReceiverServer::setMode(ReceiverMode mode) {
    if (mode != mode_) {
        mode_ = mode;
        emit modeChanged(mode);
    }
}

void ReceiverServer::setQuietInterval(int ms) {
    quiet_.setInterval(ms);
    touch();
}

void ReceiverServer::touch() {
    if (quiet_.interval() > 0 && daemon_ != nullptr) {
        quiet_.start();
    }
}

void ReceiverServer::quietCheck() {
    if (openConnections() > 0) {
        return;  // the end of the last connection starts the interval again
    }
    // Connections that arrive from now on wait for the next server on this socket.
    accepting_.reset();
    listensocket::close(listener_);
    listener_ = -1;
    emit quiet();
}

void ReceiverServer::acceptWaiting() {
    for (int i = 0; i < kAcceptsPerTurn && listener_ >= 0; ++i) {
        if (openConnections() >= limits_.maxConnections) {
            if (!listenQueueHolds(listener_)) {
                return;
            }
            if (!makeRoom()) {
                accepting_->setEnabled(false);  // until a connection ends
                return;
            }
        }
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors or memory: a pause instead of a spin.
                accepting_->setEnabled(false);
                QTimer::singleShot(kAcceptPauseMs, this, &ReceiverServer::connectionEnded);
            }
            return;
        }
        touch();
        gate_->take(fd, peer, length);
    }
}

// At the limit a newcomer takes the place of a connection that cannot be a registration on
// its way: the one that has waited longest for its head (a real client sends its head at
// once), else the oldest silenced one, whose client is never answered anyway, else the body
// that has been coming longest, once it lingers. False when the room is not there yet; it
// comes when the connection let go has ended.
bool ReceiverServer::makeRoom() {
    if (gate_->dropOldest()) {
        return true;
    }
    if (closing_ > 0) {
        return false;
    }
    if (!silenced_.isEmpty()) {
        letGo(*silenced_.front());
        return false;
    }
    Request* oldest = nullptr;
    for (Request* request : std::as_const(requests_)) {
        if (request->deadline != 0 &&
            (oldest == nullptr || request->bodyStart < oldest->bodyStart)) {
            oldest = request;
        }
    }
    if (oldest != nullptr) {
        const qint64 lingering = clock_.elapsed() - oldest->bodyStart;
        if (lingering >= kLingeringBodyMs) {
            letGo(*oldest);
        } else {
            QTimer::singleShot(kLingeringBodyMs - lingering, this,
                               &ReceiverServer::connectionEnded);
        }
    }
    return false;
}

void ReceiverServer::admit(const Arrival& arrival, int verdict) {
    handingOver_ = verdict;
    const bool added =
        MHD_add_connection(daemon_, arrival.fd, reinterpret_cast<const sockaddr*>(&arrival.peer),
                           arrival.peerLength) == MHD_YES;
    handingOver_ = 0;
    if (!added) {
        connectionEnded();  // the library has closed it
        return;
    }
    timer_.start(0);  // its head is waiting: the library reads it on its next turn
}

void ReceiverServer::connectionEnded() {
    touch();
    if (accepting_) {
        accepting_->setEnabled(true);
    }
}

bool ReceiverServer::handle(Request& request, const char* method, const char* version,
                            const char* data, size_t* size) {
    touch();
    if (request.dropped) {
        dropping_ = true;
        return false;
    }
    if (!request.started) {
        request.started = true;
        request.method = method;
        request.version = version;
        MHD_get_connection_values_n(request.connection, MHD_HEADER_KIND, &addHeaderLine,
                                    &request.headers);
        request.failure = admission(request);
        if (request.failure != 0) {
            return answer(request);  // before any body is read
        }
        if (request.method == "POST") {
            request.bodyStart = clock_.elapsed();
            request.deadline = request.bodyStart + limits_.bodyTimeoutMs;
            watch(request.deadline);
        }
        return true;  // the library sends 100 Continue if asked
    }
    if (*size > 0) {
        request.received += static_cast<qint64>(*size);
        if (request.received > limits_.maxBody) {
            // Only a chunked body gets here. The library takes an answer only before a body or
            // after its end, which need never come: the connection is closed now instead.
            request.dropped = true;
            dropping_ = true;
            return false;
        }
        if (request.failure == 0 && reserve(request, request.received)) {
            request.body.append(data, static_cast<qsizetype>(*size));
        }
        request.deadline = request.bodyStart + limits_.bodyTimeoutMs +
                           request.received * 1000 / limits_.minBodyRate;
        *size = 0;
        return true;
    }
    request.deadline = 0;
    return answer(request);
}

// The status that refuses a request before any of its body is read, or 0.
int ReceiverServer::admission(const Request& request) const {
    if (request.verdict != 0) {
        return request.verdict;
    }
    if (!fromOwnClient(request.connection)) {
        return MHD_HTTP_FORBIDDEN;
    }
    const char* length = header(request.connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
    bool known = true;
    const qint64 announced = length == nullptr ? 0 : QByteArray(length).toLongLong(&known);
    if (request.method != "POST") {
        // Only a POST's body is read.
        const bool body =
            header(request.connection, MHD_HTTP_HEADER_TRANSFER_ENCODING) != nullptr || !known ||
            announced != 0;
        return body ? MHD_HTTP_BAD_REQUEST : 0;
    }
    return known && announced <= limits_.maxBody ? 0 : MHD_HTTP_CONTENT_TOO_LARGE;
}

// A browser names the page's origin on every POST and the address it connected to in Host; the
// program's own upload sends no Origin and this receiver's address. So a page that makes a
// browser post here, directly or through a name of its own that leads here, is refused. A
// page's plain GET (an image, a link followed) carries no Origin, but its Referer or a
// Sec-Fetch-Site other than "none" (an address the user typed) gives it away. A request
// without Host (an HTTP/1.0 tool) comes from no browser.
bool ReceiverServer::fromOwnClient(MHD_Connection* connection) const {
    const char* site = header(connection, "Sec-Fetch-Site");
    if (header(connection, MHD_HTTP_HEADER_ORIGIN) != nullptr ||
        header(connection, MHD_HTTP_HEADER_REFERER) != nullptr ||
        (site != nullptr && qstricmp(site, "none") != 0)) {
        return false;
    }
    const char* host = header(connection, MHD_HTTP_HEADER_HOST);
    if (host == nullptr) {
        return true;
    }
    const QByteArray text = QByteArray(host).trimmed().toLower();
    qsizetype colon = text.lastIndexOf(':');
    if (colon < text.lastIndexOf(']')) {
        colon = -1;  // inside an IPv6 address
    }
    bool ok = true;
    const uint port = colon < 0 ? 80 : text.sliced(colon + 1).toUInt(&ok);
    return ok && port == port_ && ownHosts_.contains(colon < 0 ? text : text.first(colon));
}

// Counts a body of total bytes against the room held across connections. False, with the
// failure set and the bytes given back, when it cannot be held.
bool ReceiverServer::reserve(Request& request, qint64 total) {
    if (held_ - request.reserved + total > limits_.maxHeldBodies) {
        request.failure = MHD_HTTP_SERVICE_UNAVAILABLE;
        release(request);
        return false;
    }
    held_ += total - request.reserved;
    request.reserved = total;
    return true;
}

void ReceiverServer::release(Request& request) {
    held_ -= request.reserved;
    request.reserved = 0;
    request.body = QByteArray();
}

void ReceiverServer::finish(Request& request) {
    release(request);
    silenced_.removeOne(&request);
    requests_.remove(&request);
    if (request.letGo) {
        --closing_;
    }
}

bool ReceiverServer::answer(Request& request) {
    MHD_Connection* connection = request.connection;
    if (request.failure != 0) {
        return respond(connection, static_cast<unsigned int>(request.failure), kPlain,
                       refusal(request.failure));
    }
    const QByteArray path = request.target.first(pathLength(request.target));
    if (control_ && request.method == "GET" && path.startsWith("/_control/")) {
        return control(request);
    }
    if (request.method == "POST") {
        RecordedPost post;
        post.received = localTimestamp();
        post.method = QString::fromLatin1(request.method);
        post.path = QString::fromLatin1(request.target);
        post.version = QString::fromLatin1(request.version);
        post.headers = request.headers;
        post.body = request.body;
        release(request);
        qint64 id = 0;
        try {
            id = store_.add(post);
            full_ = false;
        } catch (const StoreFull& e) {
            // Said once, not for every post a full database refuses.
            if (!std::exchange(full_, true)) {
                emit storeFailed(e.message());
            }
            return respond(connection, MHD_HTTP_INSUFFICIENT_STORAGE, kPlain,
                           refusal(MHD_HTTP_INSUFFICIENT_STORAGE));
        } catch (const Error& e) {
            emit storeFailed(e.message());
            return respond(connection, MHD_HTTP_INTERNAL_SERVER_ERROR, kPlain,
                           "the request could not be recorded\n");
        }
        // Recorded: nothing may keep its answer from going out now, or the client would send
        // it again.
        announce(id);
        if (!answerMode(request)) {
            emit storeFailed(QStringLiteral("POST #%1 was recorded, but its answer could not be "
                                            "sent; the client may send it again")
                                 .arg(id));
            return false;
        }
        return true;
    }
    return answerMode(request);
}

bool ReceiverServer::answerMode(Request& request) {
    switch (mode_) {
        case ReceiverMode::Ok:
            return respond(request.connection, MHD_HTTP_OK, kHtml, receivedPage());
        case ReceiverMode::Error:
            return respond(request.connection, MHD_HTTP_INTERNAL_SERVER_ERROR, kHtml, errorPage());
        case ReceiverMode::Silent:
            silence(request);
            return true;
    }
    return false;
}

void ReceiverServer::announce(qint64 id) noexcept {
    try {
        emit recorded(id);
    } catch (const std::exception& e) {
        reportFault(QString::fromUtf8(e.what()));
    } catch (...) {
        reportFault(QStringLiteral("unknown exception"));
    }
}

void ReceiverServer::reportFault(const QString& what) noexcept {
    try {
        emit libraryMessage(QStringLiteral("a request handler failed: %1").arg(what));
    } catch (...) {
        // Nothing is left to tell it with.
    }
}

bool ReceiverServer::control(const Request& request) {
    MHD_Connection* connection = request.connection;
    const sockaddr* peer =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS)->client_addr;
    if (!QHostAddress(peer).isLoopback()) {
        return respond(connection, MHD_HTTP_FORBIDDEN, kPlain,
                       "control requests only from this machine\n");
    }
    const qsizetype length = pathLength(request.target);
    if (request.target.first(length) != "/_control/mode") {
        return respond(connection, MHD_HTTP_NOT_FOUND, kPlain, "unknown control request\n");
    }
    const QUrlQuery items(QString::fromLatin1(request.target.sliced(length).mid(1)));
    if (items.hasQueryItem(QStringLiteral("set"))) {
        const std::optional<ReceiverMode> mode =
            parseReceiverMode(items.queryItemValue(QStringLiteral("set"), QUrl::FullyDecoded));
        if (!mode) {
            return respond(connection, MHD_HTTP_BAD_REQUEST, kPlain,
                           "unknown mode; use ok, error or silent\n");
        }
        setMode(*mode);
    }
    return respond(connection, MHD_HTTP_OK, kPlain,
                   "mode=" + receiverModeName(mode_).toLatin1() + '\n');
}

// No answer and no close, whatever the client asked: it has to give up itself. The library
// no longer watches a suspended connection, so a notifier tells when the client goes or sends
// anything more, and the connection is then let go.
void ReceiverServer::silence(Request& request) {
    MHD_suspend_connection(request.connection);
    silenced_.append(&request);
    const int fd =
        MHD_get_connection_info(request.connection, MHD_CONNECTION_INFO_CONNECTION_FD)->connect_fd;
    request.hangUp = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(request.hangUp.get(), &QSocketNotifier::activated, this,
            [this, &request] { letGo(request); });
}

// Closes a connection without an answer. The library closes connections only from its own
// callbacks: a silenced one is resumed, any other shut down, and the library closes it at its
// next turn as one whose client went. That turn is started here: in this mode the library has
// no wake-up of its own for a resumed connection.
void ReceiverServer::letGo(Request& request) {
    if (request.letGo) {
        return;
    }
    request.letGo = true;
    request.dropped = true;
    request.deadline = 0;
    ++closing_;
    if (request.hangUp) {
        request.hangUp->setEnabled(false);
        silenced_.removeOne(&request);
        MHD_resume_connection(request.connection);
    } else {
        ::shutdown(MHD_get_connection_info(request.connection, MHD_CONNECTION_INFO_CONNECTION_FD)
                       ->connect_fd,
                   SHUT_RDWR);
    }
    timer_.start(0);
}

void ReceiverServer::watch(qint64 deadline) {
    const qint64 wait = std::max<qint64>(deadline - clock_.elapsed(), 0);
    if (!deadlines_.isActive() || deadlines_.remainingTime() > wait) {
        deadlines_.start(static_cast<int>(std::min<qint64>(wait, INT_MAX)));
    }
}

// Closes the connections whose bodies fell behind.
void ReceiverServer::expireBodies() {
    const qint64 now = clock_.elapsed();
    qint64 next = 0;
    for (Request* request : std::as_const(requests_)) {
        if (request->deadline != 0 && request->deadline <= now) {
            letGo(*request);
        } else if (request->deadline != 0) {
            next = next == 0 ? request->deadline : std::min(next, request->deadline);
        }
    }
    if (next != 0) {
        watch(next);
    }
}
