// The program's own start as its entry runs it: the windows, the start-up sequence and the
// main window's page. Prints its peak memory once the page is first painted.
#include "FirstPaint.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "desktop/Application.h"
#include "desktop/MessageBoxes.h"
#include "platform/Paths.h"

int main(int argc, char** argv) {
    Application app(argc, argv);
    paths::setProgramFolder(QStringLiteral(ORVEX_BUILD_OUT));
    msg::reportErrors([] {
        createForms();
        auto* exit = new ExitAfterFirstPaint(Form1->CppWebBrowser1->viewport());
        QObject::connect(Form1->CppWebBrowser1, &TCppWebBrowser::DocumentComplete, exit,
                         [exit] { exit->arm(); });
        Form1->show();
        QApplication::exec();
    });
    return 1;
}
