#include "TForm6.h"

#include "PagePath.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "controls/Accessibility.h"
#include "controls/Guard.h"
#include "controls/Placement.h"
#include "core/Cp950.h"
#include "core/Keys.h"
#include "core/RegUtils.h"
#include "core/RegistrationStore.h"
#include "core/Settings.h"
#include "desktop/MessageBoxes.h"
#include "platform/Paths.h"
#include "registration/TForm5.h"

#include <QCloseEvent>

namespace {

constexpr int kHoverLightness = 80;

}  // namespace

void PostRegistration(TCppWebBrowser* browser, const QString& address, const QString& body) {
    browser->Navigate(address, cp950::encode(body),
                      QByteArrayLiteral("Content-Type: application/x-www-form-urlencoded\r\n"));
}

TForm6::TForm6(QWidget* parent) : QWidget(parent), Timer1(new QTimer(this)) {
    setupUi(this);
    // No title-bar buttons: the window closes through its own buttons only.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setFixedSize(465, 373);
    Timer1->setInterval(2000);
    guard::connect(Timer1, &QTimer::timeout, this, &TForm6::Timer1Timer);
    guard::connect(CppWebBrowser1, &TCppWebBrowser::NavigateError, this,
                   &TForm6::CppWebBrowser1NavigateError);
    guard::connect(CppWebBrowser1, &TCppWebBrowser::DownloadComplete, this,
                   &TForm6::CppWebBrowser1DownloadComplete);
    guard::connect(CppWebBrowser1, &TCppWebBrowser::DocumentComplete, this,
                   &TForm6::CppWebBrowser1DocumentComplete);
    // clang-format off
    const HoverButton<TForm6> buttons[] = {
        {{Label9, Label10}, &TForm6::Label9Click, Label9MouseEnter, Label9MouseLeave,
         ProEffectImage1, ProEffectImage7},
        {{Label8, Label11}, &TForm6::Label8Click, Label8MouseEnter, Label8MouseLeave,
         ProEffectImage2, ProEffectImage7},
        {{Label7, Label12}, &TForm6::Label7Click, Label7MouseEnter, Label7MouseLeave,
         ProEffectImage3, ProEffectImage7},
    };
    // clang-format on
    wireHoverButtons(this, kHoverLightness, buttons);
    accessibility::nameByPageTitle(CppWebBrowser1, QStringLiteral("上傳連線"));
    accessibility::nameByPageTitle(CppWebBrowser2, QStringLiteral("上傳結果"));
    // Escape leaves once leaving is offered, as the exit button does.
    accessibility::onEscape(this, [this] {
        if (Panel4->isVisible()) {
            Label7Click();
        }
    });
    msg::reportErrors([this] { FormCreate(); });
}

void TForm6::FormCreate() {
    programFolder_ = paths::programFolder();
    postFailed = 0;
    CppWebBrowser2->Navigate(pagePath(programFolder_, QStringLiteral("upload.htm")));
}

void TForm6::FormShow() {
    aspUrl = settings::uploadAddress(pagePath(programFolder_, QStringLiteral("regset.ini")));
    Timer1->start();
}

void TForm6::Timer1Timer() {
    // One post per start of the timer, whatever happens to it.
    Timer1->stop();
    errorShown_ = false;
    try {
        PostRegistration(CppWebBrowser1, aspUrl, Edit1->text());
    } catch (const std::exception& e) {
        // A string that cannot be sent fails like a post the server refused.
        errorShown_ = true;
        msg::showError(e);
        postFailed = 1;
        handleResult();
    }
}

void TForm6::CppWebBrowser1NavigateError() {
    postFailed = 1;
}

void TForm6::handleResult() {
    const bool failed = postFailed == 1;
    Label1->setText(failed ? QStringLiteral("上傳失敗") : QStringLiteral("上傳成功"));
    // The message lines come from the program folder's settings file only.
    const QStringList lines = failed ? settings::failMessageLines() : settings::okMessageLines();
    QLabel* const messageLabels[] = {Label2, Label3, Label4, Label5, Label6};
    for (int i = 0; i < 5; ++i) {
        messageLabels[i]->setText(lines.value(i));
    }
    // Without the state key nothing is recorded, but the user still learns the outcome; the
    // error is told once per post, not at each of its completion events.
    try {
        // Every value of one outcome is written together or not at all.
        RegistrationStore().recordUpload(failed, Edit1->text());
    } catch (const std::exception& e) {
        if (!errorShown_) {
            errorShown_ = true;
            msg::showError(e);
        }
    }
    CppWebBrowser2->Navigate(pagePath(
        programFolder_, failed ? QStringLiteral("upfail.htm") : QStringLiteral("upsucss.htm")));
    if (failed) {
        Panel2->show();
        Panel3->show();
    }
    Panel4->show();
    CppWebBrowser1->setVisible(false);
    focusOnAButton();
}

// The buttons appear only with the outcome; a keyboard user finds the focus on the first.
void TForm6::focusOnAButton() {
    const QWidget* focus = focusWidget();
    if (focus == nullptr || !focus->isVisible()) {
        (Panel2->isVisibleTo(this) ? Label9 : Label7)->setFocus(Qt::OtherFocusReason);
    }
}

void TForm6::Label9Click() {
    CppWebBrowser2->Navigate(pagePath(programFolder_, QStringLiteral("upload.htm")));
    Panel2->hide();
    Panel3->hide();
    Panel4->hide();
    postFailed = 0;
    Timer1->start();
}

void TForm6::Label8Click() {
    hide();
    // Cancelled in the print dialog: back to the choices, the registration still waits.
    if (!Form5->PrintRegCard()) {
        show();
        Timer1->stop();
        return;
    }
    Form1->close();
}

void TForm6::Label7Click() {
    // A damaged registration date is reported, but the window, which has no close box, still
    // lets the user leave.
    msg::reportErrors([] {
        const RegUtils utils;
        if (utils.GetRegDate() != 0) {
            utils.ShellOpen(keys::NotifyProgram, QStringLiteral("hide"));
        }
    });
    hide();
    Form1->close();
}

void TForm6::ShowPrintResult() {
    show();
    Timer1->stop();
    CppWebBrowser2->Navigate(
        paths::join(paths::local(keys::InstallFolder), QStringLiteral("upsucss.htm")));
    Panel4->show();
    focusOnAButton();
}

void TForm6::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window the window manager restores is not shown anew: no second post.
    if (event->spontaneous()) {
        return;
    }
    placement::centreOnScreen(this);
    msg::reportErrors([this] { FormShow(); });
}

void TForm6::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
