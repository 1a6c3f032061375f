// The least a Qt Widgets program does to show the same start page: one QTextBrowser with
// index.htm decoded from Big5. Prints its peak memory once the page is first painted.
#include "FirstPaint.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QTextBrowser>

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
    ExitAfterFirstPaint exit(browser.viewport());
    exit.arm();
    browser.show();
    QApplication::exec();
    return 1;
}
