// Child process for the hive tests.
//   hive_writer HIVE hold N      writes N values in one transaction, says "half" midway and
//                                waits there until it is killed
//   hive_writer HIVE batches     writes batches of 50 values, one transaction each, forever
//   hive_writer HIVE many N TAG  writes N values one by one, each its own transaction
#include "platform/Hive.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        return 2;
    }
    Hive::setPath(args[1]);
    const QString mode = args[2];
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
