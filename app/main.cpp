#include "TForm1.h"
#include "platform/Application.h"

int main(int argc, char** argv) {
    // The program takes no options: any argument ends it before anything is created.
    if (argc > 1) {
        return 0;
    }
    Application app(argc, argv);
    TForm1 form;
    form.show();
    app.exec();
    return 0;
}
