#pragma once

#include <QString>
#include <functional>

struct sqlite3;

// Taking an opened SQLite file into one application's use.
namespace sqlitefile {

// Called with the SQLite result code and the statement when a statement fails; must throw.
using Fail = std::function<void(int code, const char* sql)>;

// What a file looks like before SQLite is let near it for writing: a foreign file is never
// touched. A file whose first bytes are not SQLite's is asked of SQLite, read-only and under
// its lock, before it counts as foreign: another process may be writing it this instant.
enum class Header { Missing, Empty, Sqlite, Foreign, Unreadable };
Header header(const QString& path);

enum class Claim { Owned, Foreign };

// Looks at the file in one read before anything is written to it: a file carrying another
// application id, or tables without any id, is foreign and left as it is. Otherwise the file
// is put into WAL mode with the given synchronous setting, and a new file gets the schema and
// the id under the write lock. Several processes may claim one new file at once: a step that
// meets another's lock is tried again for a few seconds before it fails.
Claim claim(sqlite3* db, int applicationId, const char* schema, const char* synchronous,
            const Fail& fail);

}  // namespace sqlitefile
