// Writing one 100-product registration through the hive store, against the same rows
// inserted straight into SQLite with the same durability settings, in the same run.
#include "RawBaseline.h"
#include "platform/Hive.h"
#include "platform/Registry.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>
#include "Median.h"

namespace {

constexpr int kRounds = 15;
const QString kState = QStringLiteral("software\\quillmarsh\\OXReg");

double viaHive(const QString& path, const std::vector<baseline::Row>& rows) {
    Hive::setPath(path);
    Registry reg;
    reg.OpenKey(kState, true);
    reg.CloseKey();
    QElapsedTimer timer;
    timer.start();
    HiveTransaction transaction;
    reg.OpenKey(kState);
    for (const baseline::Row& r : rows) {
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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::vector<baseline::Row> rows = baseline::registration();
    std::vector<double> hive, raw;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate, so that disk and cache effects fall on both alike.
        raw.push_back(
            baseline::viaSqlite(dir.filePath(QStringLiteral("raw%1.db").arg(round)), rows));
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
