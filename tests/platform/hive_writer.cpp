// Child process for the hive tests.
//   hive_writer HIVE hold N      writes N values in one transaction, says "half" midway and
//                                waits there until it is killed
//   hive_writer HIVE batches     writes batches of 50 values, one transaction each, forever
//   hive_writer HIVE many N TAG  writes N values one by one, each its own transaction
//   hive_writer DIR race ROUNDS PARTIES ME
//                                with PARTIES-1 other writers, opens the new hive DIR/<round>
//                                at once with them, round after round, and writes its value
#include "core/Registry.h"
#include "platform/Hive.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cstdio>

namespace {

// Every party marks each round it finished; a round starts once all have finished the last.
int race(const QString& dir, int rounds, int parties, const QString& me) {
    const auto mark = [&](int round, const QString& who) {
        return QStringLiteral("%1/done-%2-%3").arg(dir).arg(round).arg(who);
    };
    int failed = 0;
    for (int round = 0; round < rounds; ++round) {
        const QDeadlineTimer limit(60000);
        for (int p = 0; round > 0 && p < parties; ++p) {
            while (!QFile::exists(mark(round - 1, QString::number(p)))) {
                if (limit.hasExpired()) {
                    return 3;
                }
                QThread::usleep(200);
            }
        }
        // A failed round is still marked, so that the others go on and report theirs.
        try {
            Hive::setPath(QStringLiteral("%1/%2.sqlite3").arg(dir).arg(round));
            Registry reg;
            reg.OpenKey(QStringLiteral("software\\test"), true);
            reg.WriteString(QStringLiteral("party") + me, me);
        } catch (const Error& e) {
            std::fprintf(stderr, "round %d: %s\n", round, e.what());
            failed = 1;
        }
        QFile(mark(round, me)).open(QIODevice::WriteOnly);
    }
    Hive::setPath(QString());
    return failed;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        return 2;
    }
    const QString mode = args[2];
    if (mode == QStringLiteral("race")) {
        return race(args[1], args.value(3).toInt(), args.value(4).toInt(), args.value(5));
    }
    Hive::setPath(args[1]);
    Registry reg;
    reg.OpenKey(QStringLiteral("software\\test"), true);
    if (mode == QStringLiteral("hold")) {
        const int n = args.value(3).toInt();
        HiveTransaction transaction;
        for (int i = 0; i < n; ++i) {
            reg.WriteString(QStringLiteral("v%1").arg(i), QStringLiteral("值%1").arg(i));
            if (i == n / 2) {
                std::puts("half");
                std::fflush(stdout);
                QThread::sleep(60);
            }
        }
        transaction.commit();
        return 0;
    }
    if (mode == QStringLiteral("batches")) {
        for (int batch = 0;; ++batch) {
            HiveTransaction transaction;
            for (int i = 0; i < 50; ++i) {
                reg.WriteInteger(QStringLiteral("b%1_%2").arg(batch).arg(i), i);
            }
            transaction.commit();
            std::printf("%d\n", batch);
            std::fflush(stdout);
        }
    }
    if (mode == QStringLiteral("many")) {
        const int n = args.value(3).toInt();
        for (int i = 0; i < n; ++i) {
            reg.WriteString(args.value(4) + QString::number(i), QStringLiteral("x"));
        }
        return 0;
    }
    return 2;
}
