#include "RawBaseline.h"

#include "core/Cp950.h"

#include <sqlite3.h>
#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>

namespace baseline {

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

double viaSqlite(const QString& path, const std::vector<Row>& rows) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(
        db,
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
        "CREATE TABLE IF NOT EXISTS vals(key INTEGER, name TEXT COLLATE NOCASE, type INTEGER,"
        " data BLOB, PRIMARY KEY(key, name)) WITHOUT ROWID;"
        // A file already written to, with its journal, as the hive is when a registration ends.
        "INSERT OR REPLACE INTO vals VALUES(1, 'software', 1, x'');",
        nullptr, nullptr, nullptr);
    // The same work as the hive's: the statement prepared, names as UTF-8, text as Big5 and
    // integers as four bytes encoded, all inside the timer.
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO vals VALUES(3, ?1, ?2, ?3) ON CONFLICT(key, name) DO UPDATE"
                       " SET type=excluded.type, data=excluded.data",
                       -1, &s, nullptr);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (const Row& r : rows) {
        const QByteArray name = r.name.toUtf8();
        QByteArray data(4, '\0');
        if (r.integer) {
            qToLittleEndian<qint32>(r.number, data.data());
        } else {
            data = cp950::encode(r.text);
        }
        sqlite3_bind_text(s, 1, name.constData(), static_cast<int>(name.size()), SQLITE_STATIC);
        sqlite3_bind_int(s, 2, r.integer ? 4 : 1);
        sqlite3_bind_blob(s, 3, data.constData(), static_cast<int>(data.size()), SQLITE_STATIC);
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_finalize(s);
    sqlite3_close(db);
    return ms;
}

}  // namespace baseline
