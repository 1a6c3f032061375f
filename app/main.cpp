#include "Forms.h"
#include "TForm1.h"
#include "desktop/Application.h"
#include "desktop/MessageBoxes.h"

int main(int argc, char** argv) {
    // The program takes no options: any argument ends it before anything is created.
    if (argc > 1) {
        return 0;
    }
    Application app(argc, argv);
    msg::reportErrors([] {
        createForms();
        Form1->show();
        QApplication::exec();
    });
    return 0;
}
