// Starts the program and the bare baseline alternately as separate processes and prints the
// median wall time from spawn to the first paint of the start page, and the peak memories,
// with their ratios: the program's first-ever start (a new hive and drive folder each time,
// on disk), its later start, and the bare QTextBrowser showing the same Big5 page.
#include <QCoreApplication>
#include <QDir>
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

struct Runs {
    std::vector<double> ms;
    std::vector<long long> kiB;
    void add(const Run& run) {
        ms.push_back(run.ms);
        kiB.push_back(run.peakKiB);
    }
};

QProcessEnvironment environment(const QTemporaryDir& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ORVEXREG_HIVE"), dir.filePath(QStringLiteral("hive.sqlite3")));
    env.insert(QStringLiteral("ORVEXREG_DRIVE_C"), dir.filePath(QStringLiteral("drive_c")));
    return env;
}

Run once(const QString& program, const QTemporaryDir& dir) {
    QProcess p;
    p.setProcessEnvironment(environment(dir));
    // Started from elsewhere, as from a menu: the first run copies from chinese/orvexreg.
    p.setWorkingDirectory(dir.path());
    QElapsedTimer timer;
    timer.start();
    p.start(program, {});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s did not reach its first paint\n", qPrintable(program));
        std::exit(1);
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    return {ms, p.readAllStandardOutput().trimmed().toLongLong()};
}

void print(const char* name, const Runs& runs) {
    std::printf("  %-28s %8.1f ms   peak %6lld KiB\n", name, median(runs.ms), median(runs.kiB));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Beside the benchmark, on disk, so that the first start's syncs cost what they cost.
    const QString scratch =
        QCoreApplication::applicationDirPath() + QStringLiteral("/startup-XXXXXX");
    QTemporaryDir later(scratch);
    once(QStringLiteral(PROGRAM), later);  // sets the program up for the later starts
    constexpr int kRuns = 21;
    Runs baseline, first, again;
    for (int i = 0; i < kRuns; ++i) {
        baseline.add(once(QStringLiteral(BASELINE), later));
        QTemporaryDir fresh(scratch);
        first.add(once(QStringLiteral(PROGRAM), fresh));
        again.add(once(QStringLiteral(PROGRAM), later));
    }
    const double bm = median(baseline.ms);
    const double bk = static_cast<double>(median(baseline.kiB));
    std::printf("spawn to first paint of the start page, median of %d (offscreen):\n", kRuns);
    print("orvexreg, first-ever start:", first);
    print("orvexreg, later start:", again);
    print("bare Big5 QTextBrowser:", baseline);
    std::printf("  first start time ratio:   %8.2f (target at most 1.2)\n", median(first.ms) / bm);
    std::printf("  later start time ratio:   %8.2f (target at most 1.2)\n", median(again.ms) / bm);
    std::printf("  first start memory ratio: %8.2f (target at most 1.2)\n",
                static_cast<double>(median(first.kiB)) / bk);
    std::printf("  later start memory ratio: %8.2f (target at most 1.2)\n",
                static_cast<double>(median(again.kiB)) / bk);
    return 0;
}
