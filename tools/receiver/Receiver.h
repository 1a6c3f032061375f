#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <optional>

struct sqlite3;
class QTcpSocket;

// orvexreg-receiver: a registration server for development, demos and tests. It records
// every POST it receives in a SQLite file and answers as its mode says.

enum class ReceiverMode { Ok, Error, Silent };

std::optional<ReceiverMode> parseReceiverMode(const QString& name);
QString receiverModeName(ReceiverMode mode);

// One recorded POST. Headers and body are kept as the bytes that came over the wire.
struct RecordedPost {
    qint64 id = 0;
    QString received;  // local time, ISO 8601 with offset
    QString method;
    QString path;  // request target, query included
    QString version;
    QByteArray headers;  // header lines after the request line, line ends as received
    QByteArray body;
};

// The SQLite file of recorded posts. Several processes may use it at once (WAL, busy
// timeout), so a dump can read while the server writes. A file that is no receiver
// database is refused and left as it is.
class ReceiverStore {
public:
    // $XDG_DATA_HOME/orvexreg/receiver.sqlite3
    static QString defaultPath();

    // Throws Error. With create false a missing file is an error instead of a new database.
    explicit ReceiverStore(const QString& path, bool create = true);
    ~ReceiverStore();
    ReceiverStore(const ReceiverStore&) = delete;
    ReceiverStore& operator=(const ReceiverStore&) = delete;

    const QString& path() const { return path_; }

    // Returns the id of the new record.
    qint64 add(const RecordedPost& post);
    QList<RecordedPost> all();
    std::optional<RecordedPost> find(qint64 id);

private:
    [[noreturn]] void fail(int code, const char* what);
    void exec(const char* sql);
    void initialise();
    QList<RecordedPost> select(const char* sql, std::optional<qint64> id);

    QString path_;
    sqlite3* db_ = nullptr;
};

// A parsed request head and its body.
struct HttpRequest {
    QByteArray method;
    QByteArray target;
    QByteArray version;  // "HTTP/1.1"
    QByteArray headerBlock;
    QList<QPair<QByteArray, QByteArray>> headers;  // names as sent, values trimmed
    QByteArray body;

    // The value of the first header of that name (case-insensitive), if any.
    std::optional<QByteArray> header(QByteArrayView name) const;
    bool keepAlive() const;
    bool expectsContinue() const;
};

// Incremental HTTP/1.x request parser: feed it whatever the socket delivers, in pieces of
// any size, and take complete requests off it one by one (pipelined requests stay queued).
class HttpRequestParser {
public:
    enum class Status {
        Incomplete,
        Complete,
        Malformed,       // 400
        HeadTooLarge,    // 431
        BodyTooLarge,    // 413
        NotImplemented,  // 501: a transfer coding this receiver does not decode
    };

    static constexpr qsizetype kMaxHead = 64 * 1024;
    static constexpr qsizetype kMaxBody = 16 * 1024 * 1024;

    void append(QByteArrayView bytes) { buffer_.append(bytes); }
    // Parses as far as the buffer allows. After Complete, take() hands the request over and
    // parsing continues with the bytes that followed it. Any error status is final.
    Status parse();
    HttpRequest take();

    // True once the head of the pending request has been read.
    bool headRead() const { return headRead_; }
    const HttpRequest& pending() const { return request_; }

private:
    Status parseHead(qsizetype end, qsizetype blockStart);

    QByteArray buffer_;
    HttpRequest request_;
    bool headRead_ = false;
    qsizetype bodyLength_ = 0;
    std::optional<Status> failed_;
};

// Serves 127.0.0.1 only. POST requests are recorded before they are answered; GET
// /_control/mode[?set=MODE] reads or switches the mode and is never recorded.
class ReceiverServer : public QObject {
    Q_OBJECT
public:
    ReceiverServer(ReceiverStore& store, ReceiverMode mode, QObject* parent = nullptr);
    ~ReceiverServer() override;

    // Port 0 picks a free port. On failure errorString() says why.
    bool listen(quint16 port);
    // Serves a socket that is already listening, such as one a service manager handed over.
    bool adopt(qintptr descriptor);
    QString address() const { return server_.serverAddress().toString(); }
    quint16 port() const { return server_.serverPort(); }
    QString errorString() const { return server_.errorString(); }

    ReceiverMode mode() const { return mode_; }
    void setMode(ReceiverMode mode);

signals:
    void recorded(qint64 id);
    void modeChanged(ReceiverMode mode);
    // A request could not be recorded (the database failed); it was answered with 500.
    void storeFailed(const QString& message);

private:
    struct Connection;

    void accept();
    void readFrom(QTcpSocket* socket, Connection& connection);
    // Returns false when the connection is to be closed after this request.
    bool handle(QTcpSocket* socket, const HttpRequest& request);
    void handleControl(QTcpSocket* socket, const HttpRequest& request, QByteArrayView query);

    QTcpServer server_;
    ReceiverStore& store_;
    ReceiverMode mode_;
};

// The dump of one post for a terminal: request, headers, the body decoded from Big5 and, to
// read it more easily, the body split at every "&" (which values may contain as well).
QString formatPost(const RecordedPost& post);
