#include "TForm1.h"

#include "Forms.h"
#include "controls/Accessibility.h"
#include "controls/Guard.h"
#include "controls/Placement.h"
#include "core/RegistrationStore.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "desktop/Lifetime.h"
#include "desktop/MessageBoxes.h"
#include "platform/Hive.h"
#include "platform/Paths.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"
#include "reminders/TForm2.h"
#include "reminders/TForm3.h"
#include "upload/TForm6.h"

#include <QCloseEvent>
#include <utility>

namespace {

constexpr int kHoverLightness = 80;

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(748, 527);

    // clang-format off
    const HoverButton<TForm1> buttons[] = {
        {{Label1, Label5}, &TForm1::Label1Click, Label1MouseEnter, Label1MouseLeave,
         ProEffectImage1, ProEffectImage5},
        {{Label2, Label6}, &TForm1::Label2Click, Label2MouseEnter, Label2MouseLeave,
         ProEffectImage2, ProEffectImage6},
        {{Label3, Label7}, &TForm1::Label3Click, Label3MouseEnter, Label3MouseLeave,
         ProEffectImage3, ProEffectImage7},
        {{Label4, Label8}, &TForm1::Label4Click, Label4MouseEnter, Label4MouseLeave,
         ProEffectImage4, ProEffectImage8},
    };
    // clang-format on
    wireHoverButtons(this, kHoverLightness, buttons);
    guard::connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    guard::connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    guard::connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    guard::connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    guard::connect(CppWebBrowser1, &TCppWebBrowser::DocumentComplete, this,
                   &TForm1::CppWebBrowser1DocumentComplete);
    accessibility::nameByPageTitle(CppWebBrowser1, QStringLiteral("註冊說明"));
    // The keyboard starts where most users start: online registration.
    Label1->setFocus();

    bool hiveUnusable = false;
    msg::reportErrors([this, &hiveUnusable] {
        try {
            FormCreate();
        } catch (const HiveFileError&) {
            hiveUnusable = true;
            throw;
        }
    });
    // A hive held by another program, or one that cannot be used at all, is no fault of the
    // set-up: the window is still made whole. The box has just said why; the page's completion
    // does not wait on the hive again to ask about a failed upload, which the next page or
    // start asks.
    if (hiveUnusable) {
        dress();
        skipOffer_ = true;
        showStartPage();
    }
}

void TForm1::FormCreate() {
    startup::ensureRunKey();
    startup::upgradeStep();
    dress();
    startup::firstRunStep(programFolder_);
    showStartPage();
    startup::registerReminder();
}

void TForm1::dress() {
    // The exit caption's 4-pixel character height is below the smallest size of the small
    // bitmap face it was set for, so the font mapper keeps the caption at 8 points.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    // The captions carry their own style sheet, which keeps them from taking the window's font.
    for (QLabel* caption : {Label5, Label6, Label7, Label8}) {
        caption->setFont(small);
    }

    programFolder_ = paths::programFolder();
    setWindowTitle(settings::windowTitle());
}

void TForm1::showStartPage() {
    CppWebBrowser1->Navigate(paths::join(programFolder_, QStringLiteral("index.htm")));
}

void TForm1::Button4Click() {
    Form5->RegMode = QStringLiteral("online");
    hide();
    Form4->show();
}

void TForm1::Button3Click() {
    // Reached before the main window goes: a window that cannot be made leaves it in view.
    TForm5* form = Form5;
    hide();
    Form4->show();
    form->RegMode = QStringLiteral("print");
}

void TForm1::Button2Click() {
    Form3->show();
    RegistrationStore().remindLater();
}

void TForm1::Button1Click() {
    Form2->show();
    Form2->CppWebBrowser1->Navigate(paths::join(programFolder_, QStringLiteral("leavemsg.htm")));
}

void TForm1::CppWebBrowser1DocumentComplete() {
    if (std::exchange(skipOffer_, false)) {
        return;
    }
    const RegistrationStore store;
    if (!store.uploadFailed() ||
        !msg::ask(QStringLiteral("程式偵測到您上次上傳使用者資料失敗, 要再一次上傳嗎?"),
                  QStringLiteral("ORVEX註冊程式"))) {
        return;
    }
    const QString registration = store.storedString();
    TForm6* upload = Form6;
    hide();
    upload->show();
    upload->Edit1->setText(registration);
}

void TForm1::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        placement::centreOnScreen(this);
    }
    QWidget::showEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->accept();
    lifetime::endProgram();
}
