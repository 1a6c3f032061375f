#include "Forms.h"

#include "TForm1.h"
#include "card/TForm7.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"
#include "reminders/TForm2.h"
#include "reminders/TForm3.h"
#include "upload/TForm6.h"

TForm1* Form1 = nullptr;
forms::Deferred<TForm2, 2> Form2;
forms::Deferred<TForm3, 3> Form3;
forms::Deferred<TForm4, 4> Form4;
forms::Deferred<TForm5, 5> Form5;
forms::Deferred<TForm6, 6> Form6;
forms::Deferred<TForm7, 7> Form7;

namespace forms {
namespace {

// A window reached while an earlier one is being made (from a message box's event loop)
// is not made out of order: it reads as missing until its turn, as it did when all windows
// were made at start-up.
bool creating = false;

template <typename T>
void make(T*& window, int order, int upTo) {
    if (order <= upTo && window == nullptr) {
        window = new T;
    }
}

}  // namespace

void createUpTo(int order) {
    if (creating || Form1 == nullptr) {
        return;
    }
    creating = true;
    const struct Done {
        ~Done() { creating = false; }
    } done;
    make(Form2.window_, 2, order);
    make(Form3.window_, 3, order);
    make(Form4.window_, 4, order);
    make(Form5.window_, 5, order);
    make(Form6.window_, 6, order);
    make(Form7.window_, 7, order);
}

}  // namespace forms

void createForms() {
    Form1 = new TForm1;
}

void destroyForms() {
    delete Form7.window_;
    delete Form6.window_;
    delete Form5.window_;
    delete Form4.window_;
    delete Form3.window_;
    delete Form2.window_;
    delete Form1;
    Form1 = nullptr;
    Form2.window_ = nullptr;
    Form3.window_ = nullptr;
    Form4.window_ = nullptr;
    Form5.window_ = nullptr;
    Form6.window_ = nullptr;
    Form7.window_ = nullptr;
}
