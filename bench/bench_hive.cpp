// Writing one 100-product registration through the hive store, against the same rows
// inserted straight into SQLite with the same durability settings, in the same run.
#include "platform/Hive.h"
#include "platform/Registry.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 15;
const QString kState = QStringLiteral("software\\quillmarsh\\OXReg");

struct Row {
    QString name;
    bool integer;
    QString text;
    int number;
};

// 26 registration fields, 6 values for each of 100 products, and the registration string.
std::vector<Row> registration() {
    std::vector<Row> rows;
    const char* texts[] = {"name",      "comp_name", "ZIP",        "area1",    "area2",  "addr",
                           "e_addr",    "prephone",  "phone",      "extphone", "prefax", "fax",
                           "premphone", "mphone",    "personalid", "CompanyID"};
    const char* ints[] = {"birthday_y",     "birthday_m",  "birthday_d", "sex",
                          "occupation",     "pos",         "Education",  "ownertype",
                          "CompanyCapital", "CompanyScale"};
    for (const char* t : texts) {
        rows.push_back({QString::fromLatin1(t), false, QStringLiteral("臺北市內湖區瑞光路"), 0});
    }
    for (const char* i : ints) {
        rows.push_back({QString::fromLatin1(i), true, {}, 7});
    }
    rows.push_back({QStringLiteral("ProductCount"), true, {}, 100});
    for (int m = 1; m <= 100; ++m) {
        const QString n = QString::number(m);
        rows.push_back({QStringLiteral("purchase_date_y_") + n, true, {}, 2026});
        rows.push_back({QStringLiteral("purchase_date_m_") + n, true, {}, 12});
        rows.push_back({QStringLiteral("purchase_date_d_") + n, true, {}, 9});
        rows.push_back({QStringLiteral("prod_cd_") + n, false,
                        QStringLiteral("EFF%1").arg(m, 7, 10, QChar(u'0')), 0});
        rows.push_back({QStringLiteral("printer_type_") + n, false,
                        QStringLiteral("ORVEX Vantra K20 Series"), 0});
        rows.push_back({QStringLiteral("chnl_id_") + n, false, QStringLiteral("12345678"), 0});
    }
    rows.push_back({QStringLiteral("regStr"), false, QString(9000, u'字'), 0});
    return rows;
}

double viaHive(const QString& path, const std::vector<Row>& rows) {
    Hive::setPath(path);
    Registry reg;
    reg.OpenKey(kState, true);
    reg.CloseKey();
    QElapsedTimer timer;
    timer.start();
    HiveTransaction transaction;
    reg.OpenKey(kState);
    for (const Row& r : rows) {
        if (r.integer) {
            reg.WriteInteger(r.name, r.number);
        } else {
            reg.WriteString(r.name, r.text);
        }
    }
    reg.CloseKey();
    transaction.commit();
    const double ms = timer.nsecsElapsed() / 1e6;
    Hive::setPath(QString());
    return ms;
}

double viaSqlite(const QString& path, const std::vector<Row>& rows) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(
        db,
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
        "CREATE TABLE IF NOT EXISTS vals(key INTEGER, name TEXT COLLATE NOCASE, type INTEGER,"
        " data BLOB, PRIMARY KEY(key, name)) WITHOUT ROWID;",
        nullptr, nullptr, nullptr);
    // The encoding is done beforehand: the baseline is the database work alone.
    std::vector<std::pair<QByteArray, QByteArray>> encoded;
    for (const Row& r : rows) {
        encoded.emplace_back(r.name.toUtf8(), r.integer ? QByteArray(4, '\7') : r.text.toUtf8());
    }
    QElapsedTimer timer;
    timer.start();
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO vals VALUES(3, ?1, ?2, ?3) ON CONFLICT(key, name) DO UPDATE"
                       " SET type=excluded.type, data=excluded.data",
                       -1, &s, nullptr);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        sqlite3_bind_text(s, 1, encoded[i].first.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_int(s, 2, rows[i].integer ? 4 : 1);
        sqlite3_bind_blob(s, 3, encoded[i].second.constData(),
                          static_cast<int>(encoded[i].second.size()), SQLITE_STATIC);
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::vector<Row> rows = registration();
    std::vector<double> hive, raw;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate, so that disk and cache effects fall on both alike.
        raw.push_back(viaSqlite(dir.filePath(QStringLiteral("raw%1.db").arg(round)), rows));
        hive.push_back(viaHive(dir.filePath(QStringLiteral("hive%1.db").arg(round)), rows));
    }
    const double h = median(hive), r = median(raw);
    std::printf("values written per registration: %zu\n", rows.size());
    std::printf("hive store, one transaction:  %8.3f ms (median of %d)\n", h, kRounds);
    std::printf("raw SQLite, one transaction:  %8.3f ms (median of %d)\n", r, kRounds);
    std::printf("ratio hive / raw:             %8.2f (target at most 1.5)\n", h / r);

    Hive::setPath(dir.filePath(QStringLiteral("read.db")));
    {
        Registry reg;
        reg.OpenKey(kState, true);
        reg.WriteString(QStringLiteral("uploadFail"), QStringLiteral("y"));
    }
    constexpr int kReads = 2000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kReads; ++i) {
        Registry reg;
        reg.OpenKey(kState);
        reg.ReadString(QStringLiteral("uploadFail"));
        reg.CloseKey();
    }
    std::printf("open, read one text value, close: %6.2f us each (%d runs)\n",
                timer.nsecsElapsed() / 1e3 / kReads, kReads);
    Hive::setPath(QString());
    return 0;
}
