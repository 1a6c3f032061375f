#include "Forms.h"

#include "TForm1.h"
#include "card/TForm7.h"
#include "platform/Error.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"
#include "reminders/TForm2.h"
#include "reminders/TForm3.h"
#include "upload/TForm6.h"

forms::Window<TForm1, 1> Form1;
forms::Window<TForm2, 2> Form2;
forms::Window<TForm3, 3> Form3;
forms::Window<TForm4, 4> Form4;
forms::Window<TForm5, 5> Form5;
forms::Window<TForm6, 6> Form6;
forms::Window<TForm7, 7> Form7;

namespace forms {
namespace {

// A window reached while an earlier one is being made (from a message box's event loop)
// is not made out of order: it cannot be reached until its turn, as when all windows were
// made at start-up.
bool creating = false;

template <typename T>
void make(T*& window, int order, int upTo) {
    if (order <= upTo && window == nullptr) {
        window = new T;
    }
}

}  // namespace

void createUpTo(int order) {
    if (creating || !Form1.exists()) {
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

void notMadeYet(int order) {
    // A closing parenthesis sorts before ".", so the error box adds no period after it.
    throw Error(QStringLiteral("程式的視窗還在建立中，這個動作現在無法進行。"
                               "請關閉這個訊息，稍後再試一次。\n(TForm%1 reached while the "
                               "windows are being made)")
                    .arg(order));
}

}  // namespace forms

void createForms() {
    Form1.window_ = new TForm1;
}

void destroyForms() {
    delete Form7.window_;
    delete Form6.window_;
    delete Form5.window_;
    delete Form4.window_;
    delete Form3.window_;
    delete Form2.window_;
    delete Form1.window_;
    Form1.window_ = nullptr;
    Form2.window_ = nullptr;
    Form3.window_ = nullptr;
    Form4.window_ = nullptr;
    Form5.window_ = nullptr;
    Form6.window_ = nullptr;
    Form7.window_ = nullptr;
}
