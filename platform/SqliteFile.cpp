#include "SqliteFile.h"

#include "PrivateFiles.h"

#include <sqlite3.h>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sqlitefile {
namespace {

constexpr int kLockWaitMs = 5000;

// A step that met another connection's lock; the whole claim is tried again.
struct Busy {};

void check(sqlite3* db, int rc, const char* sql, const Fail& fail) {
    const int primary = rc & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        throw Busy{};
    }
    fail(db, rc, sql);
}

qint64 scalar(sqlite3* db, const char* sql, const Fail& fail) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        check(db, rc, sql, fail);
    }
    rc = sqlite3_step(s);
    const qint64 value = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        check(db, rc, sql, fail);
    }
    return value;
}

void exec(sqlite3* db, const char* sql, const Fail& fail) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        check(db, rc, sql, fail);
    }
}

bool foreign(sqlite3* db, int applicationId, qint64& id, const Fail& fail) {
    id = scalar(db, "PRAGMA application_id", fail);
    return id != applicationId &&
           (id != 0 || scalar(db, "SELECT count(*) FROM sqlite_master", fail) != 0);
}

enum class Claim { Owned, Foreign };

Claim claimOnce(sqlite3* db, int applicationId, const char* schema, const char* synchronous,
                const Fail& fail) {
    // Id and tables in one read: another process may commit its set-up between two reads.
    qint64 id = 0;
    exec(db, "BEGIN", fail);
    const bool other = foreign(db, applicationId, id, fail);
    exec(db, "COMMIT", fail);
    if (other) {
        return Claim::Foreign;
    }
    exec(db, "PRAGMA journal_mode=WAL", fail);
    exec(db, (QByteArray("PRAGMA synchronous=") + synchronous).constData(), fail);
    if (id == applicationId) {
        return Claim::Owned;
    }
    exec(db, "BEGIN IMMEDIATE", fail);
    if (foreign(db, applicationId, id, fail)) {
        exec(db, "ROLLBACK", fail);
        return Claim::Foreign;
    }
    if (id == 0) {
        exec(db, schema, fail);
        exec(db,
             (QByteArray("PRAGMA application_id=") + QByteArray::number(applicationId)).constData(),
             fail);
    }
    exec(db, "COMMIT", fail);
    return Claim::Owned;
}

void rollback(sqlite3* db) {
    if (sqlite3_get_autocommit(db) == 0) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

// What a file looks like before SQLite is let near it for writing. A file whose first bytes
// are not SQLite's is asked of SQLite, read-only and under its lock, before it counts as
// foreign: another process may be writing it this instant.
enum class Header { Missing, Empty, Sqlite, Foreign, Unreadable };

Header header(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return Header::Missing;
    }
    if (info.size() == 0) {
        return Header::Empty;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Header::Unreadable;
    }
    if (file.read(16) == QByteArray("SQLite format 3\0", 16)) {
        return Header::Sqlite;
    }
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, kLockWaitMs);
        rc = sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
    return rc == SQLITE_OK ? Header::Sqlite : Header::Foreign;
}

// Looks at the file in one read before anything is written to it: a file carrying another
// application id, or tables without any id, is foreign and left as it is. Otherwise the file
// is put into WAL mode and a new file gets the schema and the id under the write lock.
Claim claim(sqlite3* db, const Setup& setup, const Fail& fail) {
    QElapsedTimer waited;
    waited.start();
    for (int pauseMs = 1;; pauseMs = std::min(pauseMs * 2, 50)) {
        try {
            return claimOnce(db, setup.applicationId, setup.schema, setup.synchronous, fail);
        } catch (const Busy&) {
            // Changing the journal mode can meet another's lock without the busy handler.
            rollback(db);
            if (waited.elapsed() >= kLockWaitMs) {
                fail(db, SQLITE_BUSY, "setting up the file");
            }
            sqlite3_sleep(pauseMs);
        } catch (...) {
            rollback(db);
            throw;
        }
    }
}

}  // namespace

sqlite3* open(const QString& path, bool create, const Setup& setup, const Refuse& refuse,
              const Fail& fail) {
    switch (header(path)) {
        case Header::Missing:
            if (!create) {
                return nullptr;
            }
            if (!privatefiles::makeFolders(QFileInfo(path).absolutePath()) ||
                !privatefiles::secure(path)) {
                const int error = errno;
                refuse(Refusal::NotCreated, error, QString::fromLocal8Bit(std::strerror(error)));
            }
            break;
        case Header::Unreadable:
            refuse(Refusal::Unreadable, 0, QStringLiteral("cannot read the file"));
            break;
        case Header::Foreign:
            refuse(Refusal::NotDatabase, 0, QString());
            break;
        case Header::Empty:
        case Header::Sqlite:
            privatefiles::secure(path);
            break;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const int error = db != nullptr ? sqlite3_system_errno(db) : 0;
        sqlite3_close_v2(db);
        refuse(Refusal::NotOpened, error, QString::fromUtf8(sqlite3_errstr(rc)));
    }
    sqlite3_busy_timeout(db, setup.busyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    try {
        if (claim(db, setup, fail) == Claim::Foreign) {
            refuse(Refusal::OtherApplication, 0, QString());
        }
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

}  // namespace sqlitefile
