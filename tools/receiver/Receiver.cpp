#include "Receiver.h"

#include "core/Cp950.h"
#include "platform/Error.h"
#include "platform/SqliteFile.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace {

constexpr int kApplicationId = 0x4F585256;  // "OXRV"
constexpr int kBusyTimeoutMs = 10000;
// The write-ahead log is cut back to this after a checkpoint, so that it does not keep the
// size of its largest moment beside a capped database.
constexpr qint64 kLogLimit = 4 * 1024 * 1024;

}  // namespace

// CP950 maps byte 0x80 to U+0080, so C1 controls can come from a body as well.
QString escapeControls(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)) {
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<ReceiverMode> parseReceiverMode(const QString& name) {
    if (name == QStringLiteral("ok")) {
        return ReceiverMode::Ok;
    }
    if (name == QStringLiteral("error")) {
        return ReceiverMode::Error;
    }
    if (name == QStringLiteral("silent")) {
        return ReceiverMode::Silent;
    }
    return std::nullopt;
}

QString receiverModeName(ReceiverMode mode) {
    switch (mode) {
        case ReceiverMode::Ok:
            return QStringLiteral("ok");
        case ReceiverMode::Error:
            return QStringLiteral("error");
        case ReceiverMode::Silent:
            return QStringLiteral("silent");
    }
    return {};
}

// ---- ReceiverStore

QString ReceiverStore::defaultPath() {
    // systemd names the folders of StateDirectory=, separated by colons.
    const QString state = qEnvironmentVariable("STATE_DIRECTORY").section(u':', 0, 0);
    if (!state.isEmpty()) {
        return state + QStringLiteral("/receiver.sqlite3");
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/orvexreg/receiver.sqlite3");
}

QString ReceiverStore::servicePath() {
    return QStringLiteral("/var/lib/orvexreg-receiver/receiver.sqlite3");
}

ReceiverStore::ReceiverStore(const QString& path, bool create) : path_(path) {
    using sqlitefile::Refusal;
    // WAL lets a dump read while the server writes.
    const sqlitefile::Setup setup = {
        kApplicationId,
        "CREATE TABLE posts(id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " received TEXT NOT NULL, method TEXT NOT NULL, path TEXT NOT NULL,"
        " version TEXT NOT NULL, headers BLOB NOT NULL, body BLOB NOT NULL);"
        "PRAGMA user_version=1;",
        "NORMAL", kBusyTimeoutMs};
    const auto refuse = [this](Refusal why, int, const QString& detail) {
        switch (why) {
            case Refusal::Unreadable:
                throw Error(QFileInfo(path_).isDir()
                                ? QStringLiteral("database %1 is a folder").arg(path_)
                                : QStringLiteral("database %1 cannot be read").arg(path_));
            case Refusal::NotDatabase:
            case Refusal::OtherApplication:
                throw Error(QStringLiteral("%1 is not a receiver database; it was left as it is")
                                .arg(path_));
            case Refusal::NotCreated:
                throw Error(
                    QStringLiteral("database %1 cannot be created (%2)").arg(path_, detail));
            case Refusal::NotOpened:
                throw Error(QStringLiteral("database %1 cannot be opened (%2)").arg(path_, detail));
        }
    };
    db_ = sqlitefile::open(path_, create, setup, refuse,
                           [this](sqlite3* db, int code, const char* sql) { fail(db, code, sql); });
    if (db_ == nullptr) {
        throw Error(QStringLiteral("no database at %1").arg(path_));
    }
}

ReceiverStore::~ReceiverStore() {
    sqlite3_close_v2(db_);
}

void ReceiverStore::fail(sqlite3* db, int code, const char* what) {
    throw Error(
        QStringLiteral("database %1: %2 failed (%3)")
            .arg(path_, QString::fromUtf8(what),
                 QString::fromUtf8(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code))));
}

void ReceiverStore::exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        fail(db_, rc, sql);
    }
}

void ReceiverStore::setMaxSize(qint64 bytes) {
    if (bytes <= 0) {
        return;
    }
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, "PRAGMA page_size", -1, &s, nullptr);
    const qint64 pageSize =
        rc == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    if (pageSize <= 0) {
        fail(db_, rc, "PRAGMA page_size");
    }
    // SQLite refuses a statement that needs pages past the count, and rolls it back whole.
    const QByteArray pragmas =
        "PRAGMA max_page_count=" + QByteArray::number(std::max<qint64>(bytes / pageSize, 1)) +
        ";PRAGMA journal_size_limit=" + QByteArray::number(kLogLimit);
    exec(pragmas.constData());
}

qint64 ReceiverStore::add(const RecordedPost& post) {
    static const char* const sql =
        "INSERT INTO posts(received, method, path, version, headers, body)"
        " VALUES(?1, ?2, ?3, ?4, ?5, ?6)";
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        fail(db_, rc, "INSERT");
    }
    const QByteArray texts[] = {post.received.toUtf8(), post.method.toUtf8(), post.path.toUtf8(),
                                post.version.toUtf8()};
    for (int i = 0; i < 4; ++i) {
        sqlite3_bind_text(s, i + 1, texts[i].constData(), static_cast<int>(texts[i].size()),
                          SQLITE_TRANSIENT);
    }
    // An empty blob must stay a blob: binding a null pointer would store NULL.
    const QByteArray* blobs[] = {&post.headers, &post.body};
    for (int i = 0; i < 2; ++i) {
        if (blobs[i]->isEmpty()) {
            sqlite3_bind_zeroblob(s, i + 5, 0);
        } else {
            sqlite3_bind_blob(s, i + 5, blobs[i]->constData(), static_cast<int>(blobs[i]->size()),
                              SQLITE_TRANSIENT);
        }
    }
    rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if ((rc & 0xFF) == SQLITE_FULL) {
        throw StoreFull(
            QStringLiteral(
                "database %1 is full (its size cap or the disk); the post was not stored")
                .arg(path_));
    }
    if (rc != SQLITE_DONE) {
        fail(db_, rc, "INSERT");
    }
    return sqlite3_last_insert_rowid(db_);
}

QList<RecordedPost> ReceiverStore::select(const char* sql, std::optional<qint64> id) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) {
        fail(db_, rc, "SELECT");
    }
    if (id) {
        sqlite3_bind_int64(s, 1, *id);
    }
    const auto text = [s](int column) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)),
                                 sqlite3_column_bytes(s, column));
    };
    const auto blob = [s](int column) {
        const void* data = sqlite3_column_blob(s, column);
        return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(s, column));
    };
    QList<RecordedPost> posts;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        posts.append(
            {sqlite3_column_int64(s, 0), text(1), text(2), text(3), text(4), blob(5), blob(6)});
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) {
        fail(db_, rc, "SELECT");
    }
    return posts;
}

QList<RecordedPost> ReceiverStore::all() {
    return select(
        "SELECT id, received, method, path, version, headers, body FROM posts ORDER BY id",
        std::nullopt);
}

std::optional<RecordedPost> ReceiverStore::find(qint64 id) {
    const QList<RecordedPost> found = select(
        "SELECT id, received, method, path, version, headers, body FROM posts WHERE id=?1", id);
    if (found.isEmpty()) {
        return std::nullopt;
    }
    return found.front();
}

// ---- dump

QString formatPost(const RecordedPost& post) {
    QString out;
    out += QStringLiteral("#%1  %2\n").arg(post.id).arg(post.received);
    out += escapeControls(QStringLiteral("%1 %2 %3").arg(post.method, post.path, post.version)) +
           u'\n';
    for (const QByteArray& line : post.headers.split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (!text.isEmpty()) {
            out += escapeControls(QString::fromLatin1(text)) + u'\n';
        }
    }
    out += u'\n';
    if (post.body.isEmpty()) {
        out += QStringLiteral("body: empty\n");
        return out;
    }
    const QString body = cp950::decode(post.body);
    out += QStringLiteral("body, %1 bytes, decoded from Big5:\n").arg(post.body.size());
    out += escapeControls(body) + u'\n';
    if (body.contains(QChar::ReplacementCharacter)) {
        out += QStringLiteral("(some bytes are no Big5 and show as %1; dump --raw %2 has them)\n")
                   .arg(QString(QChar::ReplacementCharacter), QString::number(post.id));
    }
    out += QStringLiteral("pairs, split at every \"&\":\n");
    for (const QString& pair : body.split(u'&')) {
        out += QStringLiteral("  ") + escapeControls(pair) + u'\n';
    }
    return out;
}
