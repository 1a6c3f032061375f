#pragma once

#include <QtGlobal>

struct sqlite3;

// Runs a query that yields one integer (0 when it yields no row) into value. Returns SQLITE_OK
// or the error code of the step that failed.
int sqliteScalar(sqlite3* db, const char* sql, qint64& value);
