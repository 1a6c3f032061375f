#include "Forms.h"

#include "TForm1.h"
#include "card/TForm7.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"
#include "reminders/TForm2.h"
#include "reminders/TForm3.h"
#include "upload/TForm6.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;
TForm6* Form6 = nullptr;
TForm7* Form7 = nullptr;

void createForms() {
    Form1 = new TForm1;
    Form2 = new TForm2;
    Form3 = new TForm3;
    Form4 = new TForm4;
    Form5 = new TForm5;
    Form6 = new TForm6;
    Form7 = new TForm7;
}

void destroyForms() {
    delete Form7;
    delete Form6;
    delete Form5;
    delete Form4;
    delete Form3;
    delete Form2;
    delete Form1;
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
    Form4 = nullptr;
    Form5 = nullptr;
    Form6 = nullptr;
    Form7 = nullptr;
}
