#include "tools/receiver/ReceiverServer.h"

#include "platform/Cp950.h"
#include "platform/Error.h"
#include "platform/ListenSocket.h"

#include <microhttpd.h>
#include <QDateTime>
#include <QHostAddress>
#include <QUrlQuery>
#include <algorithm>
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
    bool started = false;
    qsizetype reserved = 0;  // counted in held_
    int failure = 0;         // 400, 413 or 503 once the body cannot be taken
    // Set while silenced: the client hanging up ends the connection.
    std::unique_ptr<QSocketNotifier> hangUp;
    bool hungUp = false;
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

// What is wrong with a POST's body before any of it is read: 400 for a length given twice
// differently or beside a transfer coding, where the body's end is ambiguous; 413 for a length
// above the limit.
int bodyFault(MHD_Connection* connection, qint64 maxBody) {
    struct Framing {
        QList<QByteArray> lengths;
        bool coded = false;
    } framing;
    MHD_get_connection_values(
        connection, MHD_HEADER_KIND,
        [](void* cls, MHD_ValueKind, const char* key, const char* value) {
            auto* seen = static_cast<Framing*>(cls);
            if (qstricmp(key, MHD_HTTP_HEADER_CONTENT_LENGTH) == 0) {
                seen->lengths.append(QByteArray(value).trimmed());
            } else if (qstricmp(key, MHD_HTTP_HEADER_TRANSFER_ENCODING) == 0) {
                seen->coded = true;
            }
            return MHD_YES;
        },
        &framing);
    if (framing.lengths.isEmpty()) {
        return 0;
    }
    if (framing.coded || framing.lengths.count(framing.lengths.first()) != framing.lengths.size()) {
        return 400;
    }
    bool ok = false;
    const qint64 announced = framing.lengths.first().toLongLong(&ok);
    return ok && announced <= maxBody ? 0 : 413;
}

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
            auto* request = new ReceiverServer::Request;
            request->connection = connection;
            request->target = uri;
            return request;
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
                server(cls).release(*request);
                server(cls).silenced_.remove(request);
                return 0;
            });
            delete request;
            *context = nullptr;
        }
    }

    static void connection(void* cls, MHD_Connection*, void**,
                           MHD_ConnectionNotificationCode code) noexcept {
        guarded(cls, 0, [&] {
            const bool started = code == MHD_CONNECTION_NOTIFY_STARTED;
            server(cls).open_ += started ? 1 : -1;
            server(cls).closed_ = server(cls).closed_ || !started;
            server(cls).touch();
            return 0;
        });
    }

    static void log(void* cls, const char* format, va_list args) noexcept {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        guarded(cls, 0, [&] {
            const QString message = QString::fromLocal8Bit(text).trimmed();
            if (server(cls).starting_) {
                server(cls).error_ = message;
            } else if (std::exchange(server(cls).hangingUp_, false)) {
                // The library calls the refusal that ends a silenced connection an internal
                // error.
            } else {
                emit server(cls).libraryMessage(message);
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
}

ReceiverServer::~ReceiverServer() {
    if (daemon_ == nullptr) {
        return;
    }
    events_.reset();
    // The library refuses to stop with connections suspended; silenced ones are let go.
    for (Request* request : std::as_const(silenced_)) {
        request->hangUp.reset();
        request->hungUp = true;
        MHD_resume_connection(request->connection);
    }
    MHD_stop_daemon(daemon_);
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

bool ReceiverServer::start(int descriptor) {
    const std::optional<listensocket::Endpoint> endpoint = listensocket::endpoint(descriptor);
    if (!endpoint) {
        error_ = QStringLiteral("descriptor %1 is no listening TCP socket").arg(descriptor);
        return false;
    }
    starting_ = true;
    const auto flags =
        static_cast<unsigned int>(MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG);
    daemon_ = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &ReceiverCallbacks::access, this, MHD_OPTION_EXTERNAL_LOGGER,
        &ReceiverCallbacks::log, this, MHD_OPTION_LISTEN_SOCKET, descriptor,
        MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned int>(limits_.idleTimeoutSeconds),
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned int>(limits_.maxConnections),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<size_t>(limits_.connectionMemory),
        MHD_OPTION_STRICT_FOR_CLIENT, 1, MHD_OPTION_URI_LOG_CALLBACK,
        &ReceiverCallbacks::requestStarts, this, MHD_OPTION_NOTIFY_COMPLETED,
        &ReceiverCallbacks::requestEnds, this, MHD_OPTION_NOTIFY_CONNECTION,
        &ReceiverCallbacks::connection, this, MHD_OPTION_END);
    starting_ = false;
    if (daemon_ == nullptr) {
        if (error_.isEmpty()) {
            error_ = QStringLiteral("the HTTP server did not start");
        }
        return false;
    }
    address_ = endpoint->address;
    port_ = endpoint->port;
    const int events = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_EPOLL_FD)->epoll_fd;
    events_ = std::make_unique<QSocketNotifier>(events, QSocketNotifier::Read);
    connect(events_.get(), &QSocketNotifier::activated, this, &ReceiverServer::process);
    touch();
    return true;
}

// One turn of the library, then a wake-up for its next timeout (0: work is left over). A
// connection that ended frees a place, and only the next turn listens again.
void ReceiverServer::process() {
    closed_ = false;
    MHD_run(daemon_);
    hangingUp_ = false;
    MHD_UNSIGNED_LONG_LONG ms = 0;
    if (closed_) {
        timer_.start(0);
    } else if (MHD_get_timeout(daemon_, &ms) == MHD_YES) {
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
    if (open_ > 0) {
        return;  // the end of the last connection starts the interval again
    }
    // Connections that arrive from now on wait for the next server on this socket.
    const MHD_socket listener = MHD_quiesce_daemon(daemon_);
    if (listener != MHD_INVALID_SOCKET) {
        listensocket::close(listener);
    }
    emit quiet();
}

bool ReceiverServer::handle(Request& request, const char* method, const char* version,
                            const char* data, size_t* size) {
    touch();
    if (request.hungUp) {
        hangingUp_ = true;
        return false;
    }
    if (!request.started) {
        request.started = true;
        request.method = method;
        request.version = version;
        MHD_get_connection_values_n(request.connection, MHD_HEADER_KIND, &addHeaderLine,
                                    &request.headers);
        if (request.method == "POST") {
            // Refused before the body is sent, and the connection is closed after the answer.
            request.failure = bodyFault(request.connection, limits_.maxBody);
            if (request.failure != 0) {
                return answer(request);
            }
        }
        return true;  // the library sends 100 Continue if asked
    }
    if (*size > 0) {
        // Bodies of other methods are read and dropped.
        if (request.method == "POST" && request.failure == 0 &&
            reserve(request, request.body.size() + static_cast<qint64>(*size))) {
            request.body.append(data, static_cast<qsizetype>(*size));
        }
        *size = 0;
        return true;
    }
    return answer(request);
}

// Counts a body of total bytes against the limits. False, with the failure set and the bytes
// given back, when it cannot be held.
bool ReceiverServer::reserve(Request& request, qint64 total) {
    if (total <= request.reserved) {
        return true;
    }
    if (total > limits_.maxBody) {
        request.failure = 413;
    } else if (held_ - request.reserved + total > limits_.maxHeldBodies) {
        request.failure = 503;
    } else {
        held_ += total - request.reserved;
        request.reserved = total;
        return true;
    }
    release(request);
    return false;
}

void ReceiverServer::release(Request& request) {
    held_ -= request.reserved;
    request.reserved = 0;
    request.body = QByteArray();
}

bool ReceiverServer::answer(Request& request) {
    MHD_Connection* connection = request.connection;
    if (request.failure == 400) {
        return respond(connection, MHD_HTTP_BAD_REQUEST, kPlain, "ambiguous body length\n");
    }
    if (request.failure == 413) {
        return respond(connection, MHD_HTTP_CONTENT_TOO_LARGE, kPlain, "request body too large\n");
    }
    if (request.failure == 503) {
        return respond(connection, MHD_HTTP_SERVICE_UNAVAILABLE, kPlain,
                       "too many bodies at once; try again\n");
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
                           "the database is full; nothing was recorded\n");
        } catch (const Error& e) {
            emit storeFailed(e.message());
            return respond(connection, MHD_HTTP_INTERNAL_SERVER_ERROR, kPlain,
                           "the request could not be recorded\n");
        }
        // Recorded: nothing may keep its answer from going out now, or the client would send
        // it again.
        announce(id);
    }
    switch (mode_) {
        case ReceiverMode::Ok:
            return respond(connection, MHD_HTTP_OK, kHtml, receivedPage());
        case ReceiverMode::Error:
            return respond(connection, MHD_HTTP_INTERNAL_SERVER_ERROR, kHtml, errorPage());
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
// anything more, and the connection is then closed.
void ReceiverServer::silence(Request& request) {
    MHD_suspend_connection(request.connection);
    silenced_.insert(&request);
    const int fd =
        MHD_get_connection_info(request.connection, MHD_CONNECTION_INFO_CONNECTION_FD)->connect_fd;
    request.hangUp = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(request.hangUp.get(), &QSocketNotifier::activated, this, [this, &request] {
        request.hangUp->setEnabled(false);
        request.hungUp = true;
        silenced_.remove(&request);
        MHD_resume_connection(request.connection);
        // In this mode the library has no wake-up of its own for a resumed connection.
        timer_.start(0);
    });
}
