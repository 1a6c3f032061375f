#include "SqliteFile.h"

#include <sqlite3.h>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace sqlitefile {
namespace {

constexpr int kLockWaitMs = 5000;

// A step that met another connection's lock; the whole claim is tried again.
struct Busy {};

void check(int rc, const char* sql, const Fail& fail) {
    const int primary = rc & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        throw Busy{};
    }
    fail(rc, sql);
}

qint64 scalar(sqlite3* db, const char* sql, const Fail& fail) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        check(rc, sql, fail);
    }
    rc = sqlite3_step(s);
    const qint64 value = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        check(rc, sql, fail);
    }
    return value;
}

void exec(sqlite3* db, const char* sql, const Fail& fail) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        check(rc, sql, fail);
    }
}

bool foreign(sqlite3* db, int applicationId, qint64& id, const Fail& fail) {
    id = scalar(db, "PRAGMA application_id", fail);
    return id != applicationId &&
           (id != 0 || scalar(db, "SELECT count(*) FROM sqlite_master", fail) != 0);
}

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

}  // namespace

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

Claim claim(sqlite3* db, int applicationId, const char* schema, const char* synchronous,
            const Fail& fail) {
    QElapsedTimer waited;
    waited.start();
    for (int pauseMs = 1;; pauseMs = std::min(pauseMs * 2, 50)) {
        try {
            return claimOnce(db, applicationId, schema, synchronous, fail);
        } catch (const Busy&) {
            // Changing the journal mode can meet another's lock without the busy handler.
            rollback(db);
            if (waited.elapsed() >= kLockWaitMs) {
                fail(SQLITE_BUSY, "setting up the file");
            }
            sqlite3_sleep(pauseMs);
        } catch (...) {
            rollback(db);
            throw;
        }
    }
}

}  // namespace sqlitefile
