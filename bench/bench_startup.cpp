// Runs the program's start and the bare baseline alternately as separate processes and
// prints the median wall time from spawn to the first completed page, the peak memories and
// the ratios (targets: time at most 1.5, memory at most 1.3 times the baseline).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>
#include "Median.h"

namespace {

struct Run {
    double ms;
    long long peakKiB;
};

Run once(const QString& program, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    p.start(program, {});
    p.waitForFinished(60000);
    const double ms = timer.nsecsElapsed() / 1e6;
    return {ms, p.readAllStandardOutput().trimmed().toLongLong()};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ORVEXREG_HIVE"), dir.filePath(QStringLiteral("hive.sqlite3")));
    env.insert(QStringLiteral("ORVEXREG_DRIVE_C"), dir.filePath(QStringLiteral("drive_c")));
    // The first start sets the program up; the measured ones are later starts.
    once(QStringLiteral(PROGRAM), env);
    constexpr int kRuns = 11;
    std::vector<double> programMs, baselineMs;
    std::vector<long long> programKiB, baselineKiB;
    for (int i = 0; i < kRuns; ++i) {
        const Run b = once(QStringLiteral(BASELINE), env);
        const Run p = once(QStringLiteral(PROGRAM), env);
        baselineMs.push_back(b.ms);
        baselineKiB.push_back(b.peakKiB);
        programMs.push_back(p.ms);
        programKiB.push_back(p.peakKiB);
    }
    const double pm = median(programMs), bm = median(baselineMs);
    const long long pk = median(programKiB), bk = median(baselineKiB);
    std::printf("start to first completed page, median of %d (offscreen):\n", kRuns);
    std::printf("  orvexreg windows:       %8.1f ms   peak %6lld KiB\n", pm, pk);
    std::printf("  bare QTextBrowser:      %8.1f ms   peak %6lld KiB\n", bm, bk);
    std::printf("  time ratio:             %8.2f (target at most 1.5)\n", pm / bm);
    std::printf("  memory ratio:           %8.2f (target at most 1.3)\n",
                static_cast<double>(pk) / static_cast<double>(bk));
    return 0;
}
