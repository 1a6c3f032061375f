#pragma once

#include "Error.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// The hive file cannot be used: it is damaged or no hive, it cannot be created, read or
// written, or another program holds it. The text names the file and the cause for the user;
// the registry passes it on instead of its own per-value texts.
class HiveFileError : public Error {
public:
    using Error::Error;
};

// The current-user registry hive, kept in one SQLite file readable by its owner alone: a tree
// of keys with case-insensitive names, each holding typed values. Every write is durable when
// it returns; several processes may use the file at once, waiting a few seconds at most for
// each other. A file that is no hive, or is damaged, is reported with its path and never
// written to.
class Hive {
public:
    // Value types, numbered as the Windows registry numbers them.
    enum Type { String = 1, Binary = 3, Dword = 4 };
    static constexpr qint64 kRoot = 0;

    struct Value {
        QString name;
        int type = 0;
        QByteArray data;
    };

    // The hive in use: $ORVEXREG_HIVE, else $XDG_CONFIG_HOME/orvexreg/hkcu.sqlite3, unless a
    // test has set another file; looked up at the first use after start or setPath().
    static Hive& instance();
    static QString defaultPath();
    // Uses another file from now on (tests); an empty text restores the default.
    static void setPath(const QString& path);

    ~Hive();
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    const QString& path() const { return path_; }

    // Key paths are backslash-separated and relative to the key `from`; empty parts are skipped.
    std::optional<qint64> findKey(qint64 from, const QString& relPath);
    qint64 createKey(qint64 from, const QString& relPath);
    QStringList subkeys(qint64 key);
    QString keyName(qint64 key);

    std::optional<Value> readValue(qint64 key, const QString& name);
    QList<Value> values(qint64 key);
    // The values whose names begin with the (ASCII, non-empty) prefix, in one query.
    QList<Value> valuesStartingWith(qint64 key, const QString& prefix);
    void writeValue(qint64 key, const QString& name, int type, const QByteArray& data);
    void deleteValue(qint64 key, const QString& name);

    // Transactions nest; only the outermost one commits.
    void begin();
    void commit();
    void rollback();

    // How many times the file was opened, or tried and found unusable, in this process.
    static quint64 openAttempts();

private:
    explicit Hive(QString path);
    friend class HiveTransaction;
    friend class HiveAction;

    // Opens the file; with create, makes it when missing. False when it does not exist.
    bool open(bool create);
    bool openFile(bool create);
    void remember(const HiveFileError& error);
    // Raises the error of a failed statement on the connection db.
    [[noreturn]] void fail(sqlite3* db, int code, const char* what);
    [[noreturn]] void fail(int code, const char* what) { fail(db_, code, what); }
    sqlite3_stmt* statement(int index, const char* sql);
    void exec(const char* sql);

    QString path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* statements_[10] = {};
    QHash<QPair<qint64, QString>, qint64> keyCache_;
    int depth_ = 0;
    bool rollbackOnly_ = false;
    // Why the file could not be opened in the current action.
    std::optional<HiveFileError> unusable_;
    int unusableDepth_ = 0;  // the nesting of the action it was found in
};

// One action of the user's, such as a click and everything it reads and writes: once the hive
// file has been found unusable in it (locked for seconds by another program, damaged, not
// writable), every later use in the same action reports that at once instead of waiting on
// the file again. A handler's action may run inside another's (in a nested event loop); a
// finding ends with the action it was made in.
class HiveAction {
public:
    enum class Kind {
        Part,     // part of the action running, or an action of its own when none runs
        Handler,  // an action of its own, also inside another, as a handler in a nested loop
    };
    explicit HiveAction(Kind kind = Kind::Part);
    ~HiveAction();
    HiveAction(const HiveAction&) = delete;
    HiveAction& operator=(const HiveAction&) = delete;

private:
    bool own_;
};

// All-or-nothing scope for many writes: commit() makes them durable together; leaving the
// scope without commit() (an exception) undoes every write made inside it.
class HiveTransaction {
public:
    HiveTransaction();
    ~HiveTransaction();
    HiveTransaction(const HiveTransaction&) = delete;
    HiveTransaction& operator=(const HiveTransaction&) = delete;
    void commit();

private:
    Hive& hive_;
    bool done_ = false;
};
