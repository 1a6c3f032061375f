#include "Receiver.h"

#include "platform/Cp950.h"
#include "platform/Error.h"
#include "platform/PrivateFiles.h"
#include "platform/SqliteFile.h"

#include <sqlite3.h>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QUrlQuery>
#include <string_view>

namespace {

constexpr int kApplicationId = 0x4F585256;  // "OXRV"
constexpr int kBusyTimeoutMs = 10000;

// RFC 9110 token characters, the only ones allowed in methods and header names.
bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isToken(QByteArrayView text) {
    if (text.isEmpty()) {
        return false;
    }
    for (char c : text) {
        if (!isTokenChar(c)) {
            return false;
        }
    }
    return true;
}

// Visible ASCII only: an origin-form target never holds spaces, controls or raw 8-bit bytes.
bool isTarget(QByteArrayView text) {
    if (text.isEmpty()) {
        return false;
    }
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F) {
            return false;
        }
    }
    return true;
}

// Tabs and obs-text are allowed in field values; other controls are not.
bool isFieldValue(QByteArrayView text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) {
            return false;
        }
    }
    return true;
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t')) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t')) {
        text.chop(1);
    }
    return text;
}

bool equalsIgnoringCase(QByteArrayView a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// True when a comma-separated header value lists the option, as Connection does.
bool listContains(QByteArrayView value, QByteArrayView option) {
    for (const QByteArray& part : value.toByteArray().split(',')) {
        if (equalsIgnoringCase(trimmed(part), option)) {
            return true;
        }
    }
    return false;
}

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

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 413:
            return "Content Too Large";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        default:
            return "Status";
    }
}

struct Response {
    int status = 200;
    QByteArray contentType = "text/plain; charset=us-ascii";
    QByteArray body;
};

// Writes the answer; when close is set the connection ends once it has been sent.
void respond(QTcpSocket* socket, const Response& response, bool close, bool withBody = true,
             bool http10KeepAlive = false) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) +
                      "\r\n"
                      "Server: orvexreg-receiver\r\n"
                      "Content-Type: " +
                      response.contentType +
                      "\r\n"
                      "Content-Length: " +
                      QByteArray::number(response.body.size()) + "\r\n";
    if (close) {
        head += "Connection: close\r\n";
    } else if (http10KeepAlive) {
        head += "Connection: keep-alive\r\n";
    }
    head += "\r\n";
    socket->write(head);
    if (withBody) {
        socket->write(response.body);
    }
    if (close) {
        socket->disconnectFromHost();
    }
}

Response plain(int status, const QByteArray& text) {
    return {status, "text/plain; charset=us-ascii", text};
}

// C0 and C1 controls (CP950 maps byte 0x80 to U+0080) are escaped so that nothing in a
// recorded request can steer the terminal.
QString escapeControls(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)) {
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::optional<ReceiverMode> parseReceiverMode(const QString& name) {
    if (name == QStringLiteral("ok")) {
        return ReceiverMode::Ok;
    }
    if (name == QStringLiteral("error")) {
        return ReceiverMode::Error;
    }
    if (name == QStringLiteral("silent")) {
        return ReceiverMode::Silent;
    }
    return std::nullopt;
}

QString receiverModeName(ReceiverMode mode) {
    switch (mode) {
        case ReceiverMode::Ok:
            return QStringLiteral("ok");
        case ReceiverMode::Error:
            return QStringLiteral("error");
        case ReceiverMode::Silent:
            return QStringLiteral("silent");
    }
    return {};
}

// ---- ReceiverStore

QString ReceiverStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/orvexreg/receiver.sqlite3");
}

ReceiverStore::ReceiverStore(const QString& path, bool create) : path_(path) {
    const QFileInfo info(path_);
    if (info.isDir()) {
        throw Error(QStringLiteral("database %1 is a folder").arg(path_));
    }
    switch (sqlitefile::header(path_)) {
        case sqlitefile::Header::Missing:
            if (!create) {
                throw Error(QStringLiteral("no database at %1").arg(path_));
            }
            if (!privatefiles::makeFolders(info.absolutePath())) {
                throw Error(QStringLiteral("cannot create the folder %1").arg(info.absolutePath()));
            }
            break;
        case sqlitefile::Header::Unreadable:
            throw Error(QStringLiteral("database %1 cannot be read").arg(path_));
        case sqlitefile::Header::Foreign:
            throw Error(
                QStringLiteral("%1 is not a receiver database; it was left as it is").arg(path_));
        case sqlitefile::Header::Empty:
        case sqlitefile::Header::Sqlite:
            break;
    }
    privatefiles::secure(path_);
    const QByteArray native = QFile::encodeName(path_);
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(native.constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString detail = QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw Error(QStringLiteral("database %1 cannot be opened (%2)").arg(path_, detail));
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 1);
    try {
        initialise();
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

ReceiverStore::~ReceiverStore() {
    sqlite3_close_v2(db_);
}

void ReceiverStore::fail(int code, const char* what) {
    throw Error(
        QStringLiteral("database %1: %2 failed (%3)")
            .arg(path_, QString::fromUtf8(what),
                 QString::fromUtf8(db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code))));
}

void ReceiverStore::exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc, sql);
    }
}

void ReceiverStore::initialise() {
    // WAL lets a dump read while the server writes.
    const auto claim =
        sqlitefile::claim(db_, kApplicationId,
                          "CREATE TABLE posts(id INTEGER PRIMARY KEY AUTOINCREMENT,"
                          " received TEXT NOT NULL, method TEXT NOT NULL, path TEXT NOT NULL,"
                          " version TEXT NOT NULL, headers BLOB NOT NULL, body BLOB NOT NULL);"
                          "PRAGMA user_version=1;",
                          "NORMAL", [this](int code, const char* sql) { fail(code, sql); });
    if (claim == sqlitefile::Claim::Foreign) {
        throw Error(
            QStringLiteral("%1 is not a receiver database; it was left as it is").arg(path_));
    }
}

qint64 ReceiverStore::add(const RecordedPost& post) {
    static const char* const sql =
        "INSERT INTO posts(received, method, path, version, headers, body)"
        " VALUES(?1, ?2, ?3, ?4, ?5, ?6)";
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc, "INSERT");
    }
    const QByteArray texts[] = {post.received.toUtf8(), post.method.toUtf8(), post.path.toUtf8(),
                                post.version.toUtf8()};
    for (int i = 0; i < 4; ++i) {
        sqlite3_bind_text(s, i + 1, texts[i].constData(), static_cast<int>(texts[i].size()),
                          SQLITE_TRANSIENT);
    }
    // An empty blob must stay a blob: binding a null pointer would store NULL.
    const QByteArray* blobs[] = {&post.headers, &post.body};
    for (int i = 0; i < 2; ++i) {
        if (blobs[i]->isEmpty()) {
            sqlite3_bind_zeroblob(s, i + 5, 0);
        } else {
            sqlite3_bind_blob(s, i + 5, blobs[i]->constData(), static_cast<int>(blobs[i]->size()),
                              SQLITE_TRANSIENT);
        }
    }
    rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) {
        fail(rc, "INSERT");
    }
    return sqlite3_last_insert_rowid(db_);
}

QList<RecordedPost> ReceiverStore::select(const char* sql, std::optional<qint64> id) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc, "SELECT");
    }
    if (id) {
        sqlite3_bind_int64(s, 1, *id);
    }
    const auto text = [s](int column) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)),
                                 sqlite3_column_bytes(s, column));
    };
    const auto blob = [s](int column) {
        const void* data = sqlite3_column_blob(s, column);
        return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(s, column));
    };
    QList<RecordedPost> posts;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        posts.append(
            {sqlite3_column_int64(s, 0), text(1), text(2), text(3), text(4), blob(5), blob(6)});
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) {
        fail(rc, "SELECT");
    }
    return posts;
}

QList<RecordedPost> ReceiverStore::all() {
    return select(
        "SELECT id, received, method, path, version, headers, body FROM posts ORDER BY id",
        std::nullopt);
}

std::optional<RecordedPost> ReceiverStore::find(qint64 id) {
    const QList<RecordedPost> found = select(
        "SELECT id, received, method, path, version, headers, body FROM posts WHERE id=?1", id);
    if (found.isEmpty()) {
        return std::nullopt;
    }
    return found.front();
}

// ---- HttpRequest and its parser

std::optional<QByteArray> HttpRequest::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringCase(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

bool HttpRequest::keepAlive() const {
    const QByteArray connection = header("Connection").value_or(QByteArray());
    if (version == "HTTP/1.0") {
        return listContains(connection, "keep-alive");
    }
    return !listContains(connection, "close");
}

bool HttpRequest::expectsContinue() const {
    return version != "HTTP/1.0" &&
           equalsIgnoringCase(trimmed(header("Expect").value_or(QByteArray())), "100-continue");
}

HttpRequestParser::Status HttpRequestParser::parse() {
    if (failed_) {
        return *failed_;
    }
    if (!headRead_) {
        // Stray line ends between requests are skipped, as some clients send one after a body.
        qsizetype start = 0;
        while (start < buffer_.size() && (buffer_[start] == '\r' || buffer_[start] == '\n')) {
            ++start;
        }
        buffer_.remove(0, start);
        qsizetype lineStart = 0;
        for (;;) {
            const qsizetype newline = buffer_.indexOf('\n', lineStart);
            if (newline < 0 || newline >= kMaxHead) {
                if (buffer_.size() >= kMaxHead) {
                    failed_ = Status::HeadTooLarge;
                    return *failed_;
                }
                return Status::Incomplete;
            }
            qsizetype lineEnd = newline;
            if (lineEnd > lineStart && buffer_[lineEnd - 1] == '\r') {
                --lineEnd;
            }
            if (lineEnd == lineStart) {
                const Status status = parseHead(lineStart, newline + 1);
                if (status != Status::Incomplete) {
                    failed_ = status;
                    return status;
                }
                break;
            }
            lineStart = newline + 1;
        }
    }
    if (buffer_.size() < bodyLength_) {
        return Status::Incomplete;
    }
    request_.body = buffer_.left(bodyLength_);
    buffer_.remove(0, bodyLength_);
    return Status::Complete;
}

// The head is buffer_[0, end); the blank line after it ends at consumed.
HttpRequestParser::Status HttpRequestParser::parseHead(qsizetype end, qsizetype consumed) {
    const QByteArrayView head = QByteArrayView(buffer_).first(end);
    // A carriage return anywhere but before a line feed, or a NUL, smuggles line breaks.
    for (qsizetype i = 0; i < head.size(); ++i) {
        if (head[i] == '\0' || (head[i] == '\r' && (i + 1 >= head.size() || head[i + 1] != '\n'))) {
            return Status::Malformed;
        }
    }
    const qsizetype firstEnd = head.indexOf('\n');
    const QByteArrayView requestLine =
        head.first(firstEnd).chopped(firstEnd > 0 && head[firstEnd - 1] == '\r' ? 1 : 0);
    const QList<QByteArray> parts = requestLine.toByteArray().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || !isTarget(parts[1])) {
        return Status::Malformed;
    }
    const QByteArray& version = parts[2];
    if (version.size() != 8 || !version.startsWith("HTTP/1.") || version[7] < '0' ||
        version[7] > '9') {
        return Status::Malformed;
    }
    HttpRequest request;
    request.method = parts[0];
    request.target = parts[1];
    request.version = version;
    request.headerBlock = head.sliced(firstEnd + 1).toByteArray();

    std::optional<qint64> contentLength;
    qsizetype lineStart = 0;
    const QByteArray& block = request.headerBlock;
    while (lineStart < block.size()) {
        qsizetype newline = block.indexOf('\n', lineStart);
        if (newline < 0) {
            newline = block.size();
        }
        QByteArrayView line = QByteArrayView(block).sliced(lineStart, newline - lineStart);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        lineStart = newline + 1;
        // Folded continuation lines are obsolete and ambiguous; refuse them.
        if (line.startsWith(' ') || line.startsWith('\t')) {
            return Status::Malformed;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(line.first(colon))) {
            return Status::Malformed;
        }
        const QByteArrayView value = trimmed(line.sliced(colon + 1));
        if (!isFieldValue(value)) {
            return Status::Malformed;
        }
        const QByteArrayView name = line.first(colon);
        if (equalsIgnoringCase(name, "Content-Length")) {
            if (value.isEmpty() || value.size() > 18) {
                return value.isEmpty() ? Status::Malformed : Status::BodyTooLarge;
            }
            for (char c : value) {
                if (c < '0' || c > '9') {
                    return Status::Malformed;
                }
            }
            const qint64 length = value.toLongLong();
            // Differing lengths leave the end of the body open to dispute.
            if (contentLength && *contentLength != length) {
                return Status::Malformed;
            }
            contentLength = length;
        } else if (equalsIgnoringCase(name, "Transfer-Encoding")) {
            return Status::NotImplemented;
        }
        request.headers.append({name.toByteArray(), value.toByteArray()});
    }
    if (request.version != "HTTP/1.0" && !request.header("Host")) {
        return Status::Malformed;
    }
    if (contentLength.value_or(0) > kMaxBody) {
        return Status::BodyTooLarge;
    }
    bodyLength_ = contentLength.value_or(0);
    request_ = std::move(request);
    headRead_ = true;
    buffer_.remove(0, consumed);
    return Status::Incomplete;
}

HttpRequest HttpRequestParser::take() {
    HttpRequest request = std::move(request_);
    request_ = {};
    headRead_ = false;
    bodyLength_ = 0;
    return request;
}

// ---- ReceiverServer

// Per-connection state, owned by its socket.
struct ReceiverServer::Connection : QObject {
    using QObject::QObject;
    HttpRequestParser parser;
    bool continueSent = false;
    bool closing = false;
};

ReceiverServer::ReceiverServer(ReceiverStore& store, ReceiverMode mode, QObject* parent)
    : QObject(parent), store_(store), mode_(mode) {
    connect(&server_, &QTcpServer::newConnection, this, &ReceiverServer::accept);
}

ReceiverServer::~ReceiverServer() {
    server_.close();
    // Sockets go first, without their signals, while this object is still whole.
    const QList<QTcpSocket*> sockets =
        server_.findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket* socket : sockets) {
        socket->disconnect();
        delete socket;
    }
}

bool ReceiverServer::listen(quint16 port) {
    return server_.listen(QHostAddress::LocalHost, port);
}

bool ReceiverServer::adopt(qintptr descriptor) {
    // Qt takes any descriptor; one without a local port is no bound TCP socket.
    if (server_.setSocketDescriptor(descriptor) && server_.serverPort() != 0) {
        return true;
    }
    server_.close();
    return false;
}

void ReceiverServer::setMode(ReceiverMode mode) {
    if (mode != mode_) {
        mode_ = mode;
        emit modeChanged(mode);
    }
}

void ReceiverServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto* connection = new Connection(socket);
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket, connection] { readFrom(socket, *connection); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // Bytes may have arrived before the signal was connected.
        if (socket->bytesAvailable() > 0) {
            readFrom(socket, *connection);
        }
    }
}

void ReceiverServer::readFrom(QTcpSocket* socket, Connection& connection) {
    const QByteArray bytes = socket->readAll();
    if (connection.closing) {
        return;
    }
    connection.parser.append(bytes);
    for (;;) {
        Response failure;
        switch (connection.parser.parse()) {
            case HttpRequestParser::Status::Incomplete:
                if (connection.parser.headRead() && !connection.continueSent &&
                    connection.parser.pending().expectsContinue() &&
                    mode_ != ReceiverMode::Silent) {
                    socket->write("HTTP/1.1 100 Continue\r\n\r\n");
                    connection.continueSent = true;
                }
                return;
            case HttpRequestParser::Status::Complete:
                connection.continueSent = false;
                if (!handle(socket, connection.parser.take())) {
                    connection.closing = true;
                    return;
                }
                continue;
            case HttpRequestParser::Status::Malformed:
                failure = plain(400, "malformed request\n");
                break;
            case HttpRequestParser::Status::HeadTooLarge:
                failure = plain(431, "request head too large\n");
                break;
            case HttpRequestParser::Status::BodyTooLarge:
                failure = plain(413, "request body too large\n");
                break;
            case HttpRequestParser::Status::NotImplemented:
                failure = plain(501, "only Content-Length bodies are accepted\n");
                break;
        }
        // After a broken request the stream cannot be resynchronised.
        connection.closing = true;
        respond(socket, failure, true);
        return;
    }
}

bool ReceiverServer::handle(QTcpSocket* socket, const HttpRequest& request) {
    const bool keep = request.keepAlive();
    const bool http10 = request.version == "HTTP/1.0";
    const bool head = request.method == "HEAD";
    const qsizetype question = request.target.indexOf('?');
    const QByteArrayView path =
        QByteArrayView(request.target).first(question < 0 ? request.target.size() : question);
    if (request.method == "GET" && path.startsWith("/_control/")) {
        const QByteArrayView query =
            question < 0 ? QByteArrayView() : QByteArrayView(request.target).sliced(question + 1);
        if (!socket->peerAddress().isLoopback()) {
            respond(socket, plain(403, "control requests only from this machine\n"), !keep, true,
                    http10 && keep);
        } else if (path != "/_control/mode") {
            respond(socket, plain(404, "unknown control request\n"), !keep, true, http10 && keep);
        } else {
            handleControl(socket, request, query);
        }
        return keep;
    }
    if (request.method == "POST") {
        RecordedPost post;
        post.received = localTimestamp();
        post.method = QString::fromLatin1(request.method);
        post.path = QString::fromLatin1(request.target);
        post.version = QString::fromLatin1(request.version);
        post.headers = request.headerBlock;
        post.body = request.body;
        try {
            const qint64 id = store_.add(post);
            emit recorded(id);
        } catch (const Error& e) {
            emit storeFailed(e.message());
            respond(socket, plain(500, "the request could not be recorded\n"), !keep, !head,
                    http10 && keep);
            return keep;
        }
    }
    switch (mode_) {
        case ReceiverMode::Ok:
            respond(socket, {200, "text/html; charset=big5", receivedPage()}, !keep, !head,
                    http10 && keep);
            return keep;
        case ReceiverMode::Error:
            respond(socket, {500, "text/html; charset=big5", errorPage()}, !keep, !head,
                    http10 && keep);
            return keep;
        case ReceiverMode::Silent:
            // No answer and no close, whatever the client asked: it has to give up itself.
            return true;
    }
    return keep;
}

void ReceiverServer::handleControl(QTcpSocket* socket, const HttpRequest& request,
                                   QByteArrayView query) {
    const bool keep = request.keepAlive();
    const bool http10 = request.version == "HTTP/1.0";
    const QUrlQuery items(QString::fromLatin1(query));
    if (items.hasQueryItem(QStringLiteral("set"))) {
        const QString name = items.queryItemValue(QStringLiteral("set"), QUrl::FullyDecoded);
        const std::optional<ReceiverMode> mode = parseReceiverMode(name);
        if (!mode) {
            respond(socket, plain(400, "unknown mode; use ok, error or silent\n"), !keep, true,
                    http10 && keep);
            return;
        }
        setMode(*mode);
    }
    respond(socket, plain(200, "mode=" + receiverModeName(mode_).toLatin1() + '\n'), !keep, true,
            http10 && keep);
}

// ---- dump

QString formatPost(const RecordedPost& post) {
    QString out;
    out += QStringLiteral("#%1  %2\n").arg(post.id).arg(post.received);
    out += QStringLiteral("%1 %2 %3\n").arg(post.method, post.path, post.version);
    for (const QByteArray& line : post.headers.split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (!text.isEmpty()) {
            out += escapeControls(QString::fromLatin1(text)) + u'\n';
        }
    }
    out += u'\n';
    if (post.body.isEmpty()) {
        out += QStringLiteral("body: empty\n");
        return out;
    }
    const QString body = cp950::decode(post.body);
    out += QStringLiteral("body, %1 bytes, decoded from Big5:\n").arg(post.body.size());
    out += escapeControls(body) + u'\n';
    if (body.contains(QChar::ReplacementCharacter)) {
        out += QStringLiteral("(some bytes are no Big5 and show as %1; dump --raw %2 has them)\n")
                   .arg(QString(QChar::ReplacementCharacter), QString::number(post.id));
    }
    out += QStringLiteral("pairs, split at every \"&\":\n");
    for (const QString& pair : body.split(u'&')) {
        out += QStringLiteral("  ") + escapeControls(pair) + u'\n';
    }
    return out;
}
