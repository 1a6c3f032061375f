// The program's own start: its seven windows, the start-up sequence and the main window's
// page, until the first DocumentComplete. Prints its peak memory and ends.
#include "PeakMemory.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "platform/Application.h"
#include "platform/Paths.h"

#include <cstdio>

int main(int argc, char** argv) {
    Application app(argc, argv);
    paths::setProgramFolder(QStringLiteral(ORVEX_BUILD_OUT));
    createForms();
    QObject::connect(Form1->CppWebBrowser1, &TCppWebBrowser::DocumentComplete, &app,
                     [] { QCoreApplication::exit(0); });
    Form1->show();
    QApplication::exec();
    std::printf("%lld\n", peakMemoryKiB());
    std::fflush(stdout);
    std::_Exit(0);
}
