#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct sqlite3;

// orvexreg-receiver: a registration server for development, demos and tests. It records
// every POST it receives in a SQLite file and answers as its mode says.

enum class ReceiverMode { Ok, Error, Silent };

std::optional<ReceiverMode> parseReceiverMode(const QString& name);
QString receiverModeName(ReceiverMode mode);

// One recorded POST. The body is kept as the bytes that came over the wire.
struct RecordedPost {
    qint64 id = 0;
    QString received;  // local time, ISO 8601 with offset
    QString method;
    QString path;  // request target, query included
    QString version;
    QByteArray headers;  // "Name: value" lines after the request line, in the order sent
    QByteArray body;
};

// A post was not stored because the database reached its size cap or the disk is full.
class StoreFull : public Error {
public:
    using Error::Error;
};

// The SQLite file of recorded posts. Several processes may use it at once (WAL, busy
// timeout), so a dump can read while the server writes. A file that is no receiver
// database is refused and left as it is.
class ReceiverStore {
public:
    // $STATE_DIRECTORY/receiver.sqlite3 under a service manager that names a state folder,
    // else $XDG_DATA_HOME/orvexreg/receiver.sqlite3.
    static QString defaultPath();
    // The database of the system service.
    static QString servicePath();

    // Throws Error. With create false a missing file is an error instead of a new database.
    explicit ReceiverStore(const QString& path, bool create = true);
    ~ReceiverStore();
    ReceiverStore(const ReceiverStore&) = delete;
    ReceiverStore& operator=(const ReceiverStore&) = delete;

    const QString& path() const { return path_; }
    // Caps the database file at about this many bytes; 0 leaves it without a cap. A post that
    // would grow it past the cap is refused whole.
    void setMaxSize(qint64 bytes);

    // Returns the id of the new record. Throws StoreFull when the cap or the disk is reached.
    qint64 add(const RecordedPost& post);
    QList<RecordedPost> all();
    std::optional<RecordedPost> find(qint64 id);

private:
    [[noreturn]] void fail(sqlite3* db, int code, const char* what);
    void exec(const char* sql);
    QList<RecordedPost> select(const char* sql, std::optional<qint64> id);

    QString path_;
    sqlite3* db_ = nullptr;
};

// C0 and C1 controls written as \xNN, so that nothing received can steer a terminal.
QString escapeControls(const QString& text);

// The dump of one post for a terminal: request, headers, the body decoded from Big5 and, to
// read it more easily, the body split at every "&" (which values may contain as well).
QString formatPost(const RecordedPost& post);
