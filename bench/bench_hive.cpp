// Writing one 100-product registration through the hive store, against the same rows
// inserted straight into SQLite with the same durability settings, in the same run.
#include "RawBaseline.h"
#include "core/Registry.h"
#include "platform/Hive.h"

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

// The hive as the program finds it: through $ORVEXREG_HIVE, looked up again for a new file.
void useHive(const QString& path) {
    qputenv("ORVEXREG_HIVE", QFile::encodeName(path));
    Hive::setPath(QString());
}

double viaHive(const QString& path, const std::vector<baseline::Row>& rows) {
    useHive(path);
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
    return timer.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Next to the program, on disk: a temporary folder may be in memory.
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-XXXXXX"));
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
    std::printf("ratio hive / raw:             %8.2f (target at most 1.2)\n", h / r);

    useHive(dir.filePath(QStringLiteral("read.db")));
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
    Hive::setPath(QString());  // closed before its folder goes
    return 0;
}
