#pragma once

#include <QString>
#include <functional>

struct sqlite3;

// Taking an opened SQLite file into one application's use.
namespace sqlitefile {

// Called with the SQLite result code and the statement when a statement fails; must throw.
using Fail = std::function<void(int code, const char* sql)>;

// What a file looks like before SQLite is let near it: a foreign file is never touched.
enum class Header { Missing, Empty, Sqlite, Foreign, Unreadable };
Header header(const QString& path);

enum class Claim { Owned, Foreign };

// Looks at the file before anything is written to it: a file carrying another application
// id, or tables without any id, is foreign and left as it is. Otherwise the file is put into
// WAL mode with the given synchronous setting, and a new file gets the schema and the id,
// under the write lock so that two processes starting together agree.
Claim claim(sqlite3* db, int applicationId, const char* schema, const char* synchronous,
            const Fail& fail);

}  // namespace sqlitefile
