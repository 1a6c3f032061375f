#include "SqliteFile.h"

#include <sqlite3.h>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>

namespace sqlitefile {
namespace {

qint64 scalar(sqlite3* db, const char* sql, const Fail& fail) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc, sql);
    }
    rc = sqlite3_step(s);
    const qint64 value = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        fail(rc, sql);
    }
    return value;
}

void exec(sqlite3* db, const char* sql, const Fail& fail) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc, sql);
    }
}

bool foreign(sqlite3* db, qint64 id, int applicationId, const Fail& fail) {
    return id != applicationId &&
           (id != 0 || scalar(db, "SELECT count(*) FROM sqlite_master", fail) != 0);
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
    return file.read(16) == QByteArray("SQLite format 3\0", 16) ? Header::Sqlite : Header::Foreign;
}

Claim claim(sqlite3* db, int applicationId, const char* schema, const char* synchronous,
            const Fail& fail) {
    const qint64 id = scalar(db, "PRAGMA application_id", fail);
    if (foreign(db, id, applicationId, fail)) {
        return Claim::Foreign;
    }
    exec(db, "PRAGMA journal_mode=WAL", fail);
    exec(db, (QByteArray("PRAGMA synchronous=") + synchronous).constData(), fail);
    if (id == applicationId) {
        return Claim::Owned;
    }
    exec(db, "BEGIN IMMEDIATE", fail);
    try {
        const qint64 again = scalar(db, "PRAGMA application_id", fail);
        if (foreign(db, again, applicationId, fail)) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return Claim::Foreign;
        }
        if (again == 0) {
            exec(db, schema, fail);
            exec(db,
                 (QByteArray("PRAGMA application_id=") + QByteArray::number(applicationId))
                     .constData(),
                 fail);
        }
        exec(db, "COMMIT", fail);
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return Claim::Owned;
}

}  // namespace sqlitefile
