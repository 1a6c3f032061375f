#include "SqliteScalar.h"

#include <sqlite3.h>

int sqliteScalar(sqlite3* db, const char* sql, qint64& value) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        return rc;
    }
    rc = sqlite3_step(s);
    value = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
}
