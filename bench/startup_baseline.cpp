// The least a Qt Widgets program does to show the same start page: one QTextBrowser with
// index.htm decoded from Big5. Prints its peak memory and ends.
#include "PeakMemory.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFile file(QStringLiteral(ORVEX_BUILD_OUT "/index.htm"));
    if (!file.open(QIODevice::ReadOnly)) {
        return 1;
    }
    QTextBrowser browser;
    browser.resize(748, 527);
    browser.setSearchPaths({QStringLiteral(ORVEX_BUILD_OUT)});
    browser.setHtml(QStringDecoder("Big5").decode(file.readAll()));
    browser.show();
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    std::printf("%lld\n", peakMemoryKiB());
    std::fflush(stdout);
    std::_Exit(0);
}
