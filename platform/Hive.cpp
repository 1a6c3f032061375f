#include "Hive.h"

#include "SqliteFile.h"

#include <sqlite3.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <memory>

namespace {

constexpr int kApplicationId = 0x4F584856;  // "OXHV"
constexpr int kBusyTimeoutMs = 60000;

enum Stmt {
    kFindChild,
    kInsertKey,
    kReadValue,
    kUpsertValue,
    kDeleteValue,
    kSubkeys,
    kValues,
    kKeyName,
    kStatementCount
};

std::unique_ptr<Hive>& slot() {
    static std::unique_ptr<Hive> hive;
    return hive;
}

QString& overridePath() {
    static QString path;
    return path;
}

// Names compare as SQLite's NOCASE does: ASCII letters only.
QString asciiLower(QString text) {
    for (QChar& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = QChar(c.unicode() + 32);
        }
    }
    return text;
}

QStringList parts(const QString& relPath) {
    return relPath.split(u'\\', Qt::SkipEmptyParts);
}

class Reset {
public:
    explicit Reset(sqlite3_stmt* s) : s_(s) {}
    ~Reset() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }

private:
    sqlite3_stmt* s_;
};

void bindText(sqlite3_stmt* s, int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(s, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt* s, int column) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)),
                             sqlite3_column_bytes(s, column));
}

}  // namespace

Hive& Hive::instance() {
    const QString wanted = overridePath().isEmpty() ? defaultPath() : overridePath();
    if (!slot() || slot()->path_ != wanted) {
        slot().reset(new Hive(wanted));
    }
    return *slot();
}

QString Hive::defaultPath() {
    const QString env = qEnvironmentVariable("ORVEXREG_HIVE");
    if (!env.isEmpty()) {
        return env;
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/orvexreg/hkcu.sqlite3");
}

void Hive::setPath(const QString& path) {
    overridePath() = path;
    slot().reset();
}

Hive::Hive(QString path) : path_(std::move(path)) {}

Hive::~Hive() {
    for (sqlite3_stmt*& s : statements_) {
        sqlite3_finalize(s);
    }
    if (db_ != nullptr) {
        if (depth_ > 0) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        sqlite3_close_v2(db_);
    }
}

void Hive::fail(int code, const char* what) {
    const int primary = code & 0xFF;
    const QString detail =
        QString::fromUtf8(db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
        throw HiveFileError(
            QStringLiteral("The registry hive %1 is damaged (%2)").arg(path_, detail));
    }
    throw Error(QStringLiteral("Registry hive %1: %2 failed (%3)")
                    .arg(path_, QString::fromUtf8(what), detail));
}

void Hive::exec(const char* sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK) {
        fail(rc, sql);
    }
}

bool Hive::open(bool create) {
    if (db_ != nullptr) {
        return true;
    }
    switch (sqlitefile::header(path_)) {
        case sqlitefile::Header::Missing:
            if (!create) {
                return false;
            }
            QDir().mkpath(QFileInfo(path_).absolutePath());
            break;
        case sqlitefile::Header::Unreadable:
            throw Error(QStringLiteral("The registry hive %1 cannot be opened").arg(path_));
        case sqlitefile::Header::Foreign:
            throw HiveFileError(
                QStringLiteral("The file %1 is not a registry hive; it was left as it is")
                    .arg(path_));
        case sqlitefile::Header::Empty:
        case sqlitefile::Header::Sqlite:
            break;
    }
    const QByteArray native = QFile::encodeName(path_);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(native.constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString detail = QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw Error(
            QStringLiteral("The registry hive %1 cannot be opened (%2)").arg(path_, detail));
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 1);
    try {
        initialise();
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
    return true;
}

void Hive::initialise() {
    const auto claim = sqlitefile::claim(
        db_, kApplicationId,
        "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
        " name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name));"
        "CREATE TABLE vals(key INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE,"
        " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID;"
        "PRAGMA user_version=1;",
        "FULL", [this](int code, const char* sql) { fail(code, sql); });
    if (claim == sqlitefile::Claim::Foreign) {
        throw HiveFileError(
            QStringLiteral("The file %1 is not a registry hive; it was left as it is").arg(path_));
    }
}

sqlite3_stmt* Hive::statement(int index, const char* sql) {
    if (statements_[index] == nullptr) {
        const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT,
                                          &statements_[index], nullptr);
        if (rc != SQLITE_OK) {
            fail(rc, sql);
        }
    }
    return statements_[index];
}

std::optional<qint64> Hive::findKey(qint64 from, const QString& relPath) {
    if (!open(false)) {
        return std::nullopt;
    }
    // Keys are never removed, so a key once found keeps its id for the connection's life.
    const auto cacheKey = qMakePair(from, asciiLower(relPath));
    if (const auto cached = keyCache_.constFind(cacheKey); cached != keyCache_.constEnd()) {
        return *cached;
    }
    qint64 key = from;
    for (const QString& part : parts(relPath)) {
        sqlite3_stmt* s = statement(kFindChild, "SELECT id FROM keys WHERE parent=?1 AND name=?2");
        Reset reset(s);
        sqlite3_bind_int64(s, 1, key);
        bindText(s, 2, part);
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_DONE) {
            return std::nullopt;
        }
        if (rc != SQLITE_ROW) {
            fail(rc, "reading a key");
        }
        key = sqlite3_column_int64(s, 0);
    }
    if (depth_ == 0) {
        keyCache_.insert(cacheKey, key);  // a key made in an open transaction may be undone
    }
    return key;
}

qint64 Hive::createKey(qint64 from, const QString& relPath) {
    open(true);
    HiveTransaction transaction;
    qint64 key = from;
    for (const QString& part : parts(relPath)) {
        if (const auto child = findKey(key, part)) {
            key = *child;
            continue;
        }
        sqlite3_stmt* s = statement(kInsertKey, "INSERT INTO keys(parent, name) VALUES(?1, ?2)");
        Reset reset(s);
        sqlite3_bind_int64(s, 1, key);
        bindText(s, 2, part);
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) {
            fail(rc, "creating a key");
        }
        key = sqlite3_last_insert_rowid(db_);
    }
    transaction.commit();
    return key;
}

QStringList Hive::subkeys(qint64 key) {
    QStringList names;
    if (!open(false)) {
        return names;
    }
    sqlite3_stmt* s =
        statement(kSubkeys, "SELECT name FROM keys WHERE parent=?1 ORDER BY name COLLATE NOCASE");
    Reset reset(s);
    sqlite3_bind_int64(s, 1, key);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        names.append(columnText(s, 0));
    }
    if (rc != SQLITE_DONE) {
        fail(rc, "listing keys");
    }
    return names;
}

QString Hive::keyName(qint64 key) {
    QStringList names;
    if (!open(false)) {
        return {};
    }
    while (key != kRoot) {
        sqlite3_stmt* s = statement(kKeyName, "SELECT parent, name FROM keys WHERE id=?1");
        Reset reset(s);
        sqlite3_bind_int64(s, 1, key);
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW) {
            fail(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc, "naming a key");
        }
        names.prepend(columnText(s, 1));
        key = sqlite3_column_int64(s, 0);
    }
    return names.join(u'\\');
}

std::optional<Hive::Value> Hive::readValue(qint64 key, const QString& name) {
    if (!open(false)) {
        return std::nullopt;
    }
    sqlite3_stmt* s =
        statement(kReadValue, "SELECT name, type, data FROM vals WHERE key=?1 AND name=?2");
    Reset reset(s);
    sqlite3_bind_int64(s, 1, key);
    bindText(s, 2, name);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) {
        return std::nullopt;
    }
    if (rc != SQLITE_ROW) {
        fail(rc, "reading a value");
    }
    Value v;
    v.name = columnText(s, 0);
    v.type = sqlite3_column_int(s, 1);
    v.data =
        QByteArray(static_cast<const char*>(sqlite3_column_blob(s, 2)), sqlite3_column_bytes(s, 2));
    return v;
}

QList<Hive::Value> Hive::values(qint64 key) {
    QList<Value> list;
    if (!open(false)) {
        return list;
    }
    sqlite3_stmt* s = statement(
        kValues, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY name COLLATE NOCASE");
    Reset reset(s);
    sqlite3_bind_int64(s, 1, key);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        Value v;
        v.name = columnText(s, 0);
        v.type = sqlite3_column_int(s, 1);
        v.data = QByteArray(static_cast<const char*>(sqlite3_column_blob(s, 2)),
                            sqlite3_column_bytes(s, 2));
        list.append(v);
    }
    if (rc != SQLITE_DONE) {
        fail(rc, "listing values");
    }
    return list;
}

void Hive::writeValue(qint64 key, const QString& name, int type, const QByteArray& data) {
    open(true);
    sqlite3_stmt* s = statement(kUpsertValue,
                                "INSERT INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)"
                                " ON CONFLICT(key, name) DO UPDATE SET"
                                " type=excluded.type, data=excluded.data");
    Reset reset(s);
    sqlite3_bind_int64(s, 1, key);
    bindText(s, 2, name);
    sqlite3_bind_int(s, 3, type);
    // A zero-length blob must still be a blob, not NULL.
    sqlite3_bind_blob(s, 4, data.isEmpty() ? "" : data.constData(), static_cast<int>(data.size()),
                      SQLITE_TRANSIENT);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) {
        fail(rc, "writing a value");
    }
}

void Hive::deleteValue(qint64 key, const QString& name) {
    if (!open(false)) {
        return;
    }
    sqlite3_stmt* s = statement(kDeleteValue, "DELETE FROM vals WHERE key=?1 AND name=?2");
    Reset reset(s);
    sqlite3_bind_int64(s, 1, key);
    bindText(s, 2, name);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) {
        fail(rc, "deleting a value");
    }
}

void Hive::begin() {
    if (depth_ == 0) {
        open(true);
        exec("BEGIN IMMEDIATE");
        rollbackOnly_ = false;
    }
    ++depth_;
}

void Hive::commit() {
    if (depth_ == 0) {
        return;
    }
    if (--depth_ == 0) {
        if (rollbackOnly_) {
            exec("ROLLBACK");
            throw Error(QStringLiteral("Registry hive %1: the changes were undone").arg(path_));
        }
        try {
            exec("COMMIT");
        } catch (...) {
            // Never leave the connection inside a transaction later writes would join.
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

void Hive::rollback() {
    if (depth_ == 0) {
        return;
    }
    if (--depth_ == 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        rollbackOnly_ = true;
    }
}

HiveTransaction::HiveTransaction() : hive_(Hive::instance()) {
    hive_.begin();
}

HiveTransaction::~HiveTransaction() {
    if (!done_) {
        hive_.rollback();
    }
}

void HiveTransaction::commit() {
    done_ = true;
    hive_.commit();
}
