#pragma once

#include <QString>
#include <functional>

struct sqlite3;

// Taking a SQLite file into one application's use: the hive and the receiver's database both
// come in this way.
namespace sqlitefile {

// Called with the connection, the SQLite result code and the statement when a statement
// fails; must throw.
using Fail = std::function<void(sqlite3* db, int code, const char* sql)>;

// Why a file is not taken.
enum class Refusal {
    Unreadable,        // cannot be read, or is a folder
    NotDatabase,       // its first bytes are not SQLite's
    OtherApplication,  // a database of another application
    NotCreated,        // the file or one of its folders cannot be made
    NotOpened,         // SQLite cannot open it
};
// Called with why, the system's error number (0 when there is none) and SQLite's or the
// system's words; must throw.
using Refuse = std::function<void(Refusal why, int error, const QString& detail)>;

// What an application keeps in its file and how.
struct Setup {
    int applicationId;
    const char* schema;       // the tables of a new file, and its user_version
    const char* synchronous;  // how durable a commit is, as PRAGMA synchronous takes it
    int busyTimeoutMs;        // how long a statement waits for another process's lock
};

// The one way into a database file. A file that exists is looked at before anything is
// written to it, and refused when it is unreadable or foreign (another application id, or
// tables without any id): a foreign file is never touched. A missing file is made readable by
// its owner alone, in folders of its own, when create is set; without it the result is
// nullptr. The file is put into WAL mode with the setup's synchronous setting and busy timeout,
// and a new file gets the schema and the id under the write lock. Several processes may take
// one new file at once: a step that meets another's lock is tried again for a few seconds
// before it fails. The connection is closed again when anything fails.
sqlite3* open(const QString& path, bool create, const Setup& setup, const Refuse& refuse,
              const Fail& fail);

}  // namespace sqlitefile
