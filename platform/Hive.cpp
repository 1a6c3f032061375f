#include "Hive.h"
#include "SqliteFile.h"

#include <sqlite3.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <memory>

namespace {

constexpr int kApplicationId = 0x4F584856;  // "OXHV"
// Another program's write is short; one that holds the lock longer is reported, not waited out.
constexpr int kBusyTimeoutMs = 5000;

enum Stmt {
    kFindChild,
    kInsertKey,
    kReadValue,
    kUpsertValue,
    kDeleteValue,
    kSubkeys,
    kValues,
    kKeyName,
    kValuesFrom,
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

int actionDepth = 0;     // actions alive
int actionBoundary = 0;  // of those, the ones that keep findings of their own
quint64 attempts = 0;

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

Hive::Value columnValue(sqlite3_stmt* s) {
    Hive::Value v;
    v.name = columnText(s, 0);
    v.type = sqlite3_column_int(s, 1);
    v.data =
        QByteArray(static_cast<const char*>(sqlite3_column_blob(s, 2)), sqlite3_column_bytes(s, 2));
    return v;
}

// Why the hive file cannot be used, as the user is told.
enum class Problem {
    Damaged,
    Foreign,
    Locked,
    DiskFull,
    FolderNotWritable,
    FileNotWritable,
    ParentIsFile,
    IsFolder,
    NotReadable,
    Unusable
};

// A plain account of what happened and what to do, then the technical detail on its own line.
HiveFileError problem(Problem p, const QString& path, const QString& where, const QString& detail) {
    QString text;
    switch (p) {
        case Problem::Damaged:
            text = QStringLiteral(
                "登錄資料檔 %1 已損壞，無法使用；本程式沒有變更它。請從備份還原這個檔案，"
                "或將它移到別處後重新啟動本程式（將以新的登錄資料檔開始）。");
            break;
        case Problem::Foreign:
            text = QStringLiteral(
                "檔案 %1 不是本程式的登錄資料檔，本程式沒有變更它。請將這個檔案移到別處或改名，"
                "或以環境變數 ORVEXREG_HIVE 指定另一個檔案，然後重新啟動本程式。");
            break;
        case Problem::Locked:
            text = QStringLiteral(
                "登錄資料檔 %1 正由另一個程式使用中，等候數秒後仍無法寫入，這次的資料沒有寫入。"
                "請關閉正在使用它的程式（例如另一個 orvexreg 或 orvexreg-reg），然後再試一次。");
            break;
        case Problem::DiskFull:
            text = QStringLiteral(
                "無法寫入登錄資料檔 %1，因為磁碟空間已滿。請清出一些磁碟空間，然後再試一次。");
            break;
        case Problem::FolderNotWritable:
            text = QStringLiteral(
                "無法建立或寫入登錄資料檔 %1，因為資料夾 %2 無法寫入（唯讀或沒有權限）。"
                "請讓這個資料夾可以寫入，或以環境變數 ORVEXREG_HIVE 指定其他位置，然後再試一次。");
            break;
        case Problem::FileNotWritable:
            text = QStringLiteral(
                "無法寫入登錄資料檔 %1，因為這個檔案是唯讀的或您沒有寫入權限。"
                "請讓這個檔案可以寫入，然後再試一次。");
            break;
        case Problem::ParentIsFile:
            text = QStringLiteral(
                "無法建立登錄資料檔 %1，因為路徑中的 %2 是檔案而不是資料夾。"
                "請將該檔案移到別處或改名，然後再試一次。");
            break;
        case Problem::IsFolder:
            text = QStringLiteral(
                "無法開啟登錄資料檔 %1，因為這個位置是資料夾而不是檔案。"
                "請將該資料夾移到別處或改名，然後再試一次。");
            break;
        case Problem::NotReadable:
            text = QStringLiteral(
                "無法讀取登錄資料檔 %1，因為您沒有讀取這個檔案的權限。"
                "請確認這個檔案屬於您的帳號，然後再試一次。");
            break;
        case Problem::Unusable:
            text =
                QStringLiteral("無法存取登錄資料檔 %1。請確認磁碟與這個檔案都正常，然後再試一次。");
            break;
    }
    text = where.isEmpty() ? text.arg(path) : text.arg(path, where);
    // A closing parenthesis sorts before ".", so the error box adds no period after it.
    return HiveFileError(text + QStringLiteral("\n(") + detail + u')');
}

bool writable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// What in the file system keeps the file from being created or written.
HiveFileError obstacle(const QString& path, int error, const QString& detail) {
    if (error == ENOSPC || error == EDQUOT) {
        return problem(Problem::DiskFull, path, {}, detail);
    }
    const QFileInfo file(path);
    if (file.isDir()) {
        return problem(Problem::IsFolder, path, {}, detail);
    }
    QString folder = file.absolutePath();
    while (!QFileInfo::exists(folder) && QFileInfo(folder).path() != folder) {
        folder = QFileInfo(folder).path();
    }
    if (!QFileInfo(folder).isDir()) {
        return problem(Problem::ParentIsFile, path, folder, detail);
    }
    if (file.exists() && !writable(path)) {
        return problem(Problem::FileNotWritable, path, {}, detail);
    }
    if (!writable(folder)) {
        return problem(Problem::FolderNotWritable, path, folder, detail);
    }
    return problem(Problem::Unusable, path, {}, detail);
}

}  // namespace

Hive& Hive::instance() {
    std::unique_ptr<Hive>& hive = slot();
    if (!hive) {
        // Looked up once: every registry call goes through here.
        hive.reset(new Hive(overridePath().isEmpty() ? defaultPath() : overridePath()));
    }
    return *hive;
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

void Hive::fail(sqlite3* db, int code, const char* what) {
    const QString message =
        QString::fromUtf8(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    const QString detail = QString::fromUtf8(what) + QStringLiteral(": ") + message;
    switch (code & 0xFF) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            throw problem(Problem::Damaged, path_, {}, detail);
        case SQLITE_BUSY:
        case SQLITE_LOCKED: {
            // SQLite's own text may be stale here: a lock met while setting the file up is
            // retried and rolled back before it is reported.
            HiveFileError locked =
                problem(Problem::Locked, path_, {},
                        QString::fromUtf8(what) +
                            QStringLiteral(": another program holds the file locked"));
            // Waited out once in this action, not again for every value.
            remember(locked);
            throw locked;
        }
        case SQLITE_FULL:
            throw problem(Problem::DiskFull, path_, {}, detail);
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_AUTH:
        case SQLITE_IOERR:
            throw obstacle(path_, db != nullptr ? sqlite3_system_errno(db) : 0, detail);
        default:
            // Not the file's fault: the caller reports it in the registry's own words.
            throw Error(QStringLiteral("Registry hive %1: %2").arg(path_, detail));
    }
}

void Hive::exec(const char* sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK) {
        fail(rc, sql);
    }
}

void Hive::remember(const HiveFileError& error) {
    if (actionDepth > 0 && !unusable_) {
        unusable_ = error;
        unusableDepth_ = actionBoundary;
    }
}

quint64 Hive::openAttempts() {
    return attempts;
}

bool Hive::open(bool create) {
    if (unusable_) {
        throw *unusable_;
    }
    if (db_ != nullptr) {
        return true;
    }
    ++attempts;
    try {
        return openFile(create);
    } catch (const HiveFileError& e) {
        remember(e);
        throw;
    }
}

bool Hive::openFile(bool create) {
    using sqlitefile::Refusal;
    const sqlitefile::Setup setup = {
        kApplicationId,
        "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
        " name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name));"
        "CREATE TABLE vals(key INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE,"
        " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID;"
        "PRAGMA user_version=1;",
        "FULL", kBusyTimeoutMs};
    const auto refuse = [this](Refusal why, int error, const QString& detail) {
        switch (why) {
            case Refusal::Unreadable:
                throw problem(QFileInfo(path_).isDir() ? Problem::IsFolder : Problem::NotReadable,
                              path_, {}, detail);
            case Refusal::NotDatabase:
                throw problem(Problem::Foreign, path_, {}, QStringLiteral("not a registry hive"));
            case Refusal::OtherApplication:
                throw problem(Problem::Foreign, path_, {},
                              QStringLiteral("another application's database"));
            case Refusal::NotCreated:
            case Refusal::NotOpened:
                throw obstacle(path_, error, detail);
        }
    };
    db_ = sqlitefile::open(path_, create, setup, refuse,
                           [this](sqlite3* db, int code, const char* sql) { fail(db, code, sql); });
    return db_ != nullptr;
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
    return columnValue(s);
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
        list.append(columnValue(s));
    }
    if (rc != SQLITE_DONE) {
        fail(rc, "listing values");
    }
    return list;
}

QList<Hive::Value> Hive::valuesStartingWith(qint64 key, const QString& prefix) {
    QList<Value> list;
    if (!open(false)) {
        return list;
    }
    // A range of the (key, name) index: names from the prefix up to the prefix with its last
    // character raised by one, compared as NOCASE compares them.
    const QString lower = asciiLower(prefix);
    QString upper = lower;
    upper.back() = QChar(upper.back().unicode() + 1);
    sqlite3_stmt* s = statement(kValuesFrom,
                                "SELECT name, type, data FROM vals WHERE key=?1 AND name>=?2"
                                " AND name<?3");
    Reset reset(s);
    sqlite3_bind_int64(s, 1, key);
    bindText(s, 2, lower);
    bindText(s, 3, upper);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        list.append(columnValue(s));
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
    // Bound without a copy: both outlive the step, and the reset clears the bindings.
    const QByteArray utf8 = name.toUtf8();
    Reset reset(s);
    sqlite3_bind_int64(s, 1, key);
    sqlite3_bind_text(s, 2, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_STATIC);
    sqlite3_bind_int(s, 3, type);
    // A zero-length blob must still be a blob, not NULL.
    sqlite3_bind_blob(s, 4, data.isEmpty() ? "" : data.constData(), static_cast<int>(data.size()),
                      SQLITE_STATIC);
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

HiveAction::HiveAction(Kind kind) : own_(kind == Kind::Handler || actionDepth == 0) {
    ++actionDepth;
    actionBoundary += own_ ? 1 : 0;
}

HiveAction::~HiveAction() {
    --actionDepth;
    if (!own_) {
        return;
    }
    // A finding ends with the action it was made in: one of a handler run meanwhile, in a
    // nested event loop, does not outlast that handler.
    if (slot() && slot()->unusable_ && slot()->unusableDepth_ >= actionBoundary) {
        slot()->unusable_.reset();
    }
    --actionBoundary;
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
