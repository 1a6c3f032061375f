#include "TForm2.h"

#include "app/Forms.h"
#include "app/TForm1.h"
#include "controls/Accessibility.h"
#include "controls/Guard.h"
#include "controls/Placement.h"
#include "core/RegistrationStore.h"
#include "core/Settings.h"
#include "desktop/MessageBoxes.h"
#include "platform/LocalClock.h"

#include <QCloseEvent>

namespace {

constexpr int kHoverLightness = 80;

}  // namespace

TForm2::TForm2(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    // No title-bar buttons: the dialog closes through its own buttons only.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setFixedSize(400, 197);
    // clang-format off
    const HoverButton<TForm2> buttons[] = {
        {{Label3, Label1}, &TForm2::Button1Click, Label3MouseEnter, Label3MouseLeave,
         ProEffectImage1, ProEffectImage3},
        {{Label4, Label2}, &TForm2::Button2Click, Label4MouseEnter, Label4MouseLeave,
         ProEffectImage2, ProEffectImage3},
    };
    // clang-format on
    wireHoverButtons(this, kHoverLightness, buttons);
    guard::connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    guard::connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    accessibility::nameByPageTitle(CppWebBrowser1, QStringLiteral("離開註冊"));
    // Escape declines to leave, as "register now" does.
    accessibility::onEscape(this, [this] { Button2Click(); });
}

bool TForm2::offersOptOut(const QDate& firstRun, const QDate& today, int days) {
    return firstRun.daysTo(today) >= days;
}

void TForm2::FormShow() {
    const int days = settings::bonusDays();
    const QDate firstRun = RegistrationStore().firstRunDate().required();
    Panel3->setVisible(offersOptOut(firstRun, LocalClock::today(), days));
}

void TForm2::Button1Click() {
    if (CheckBox1->isChecked()) {
        RegistrationStore().removeReminder();
    }
    close();
    Form1->close();
}

void TForm2::Button2Click() {
    hide();
}

void TForm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    placement::centreOver(this, Form1);
    msg::reportErrors([this] { FormShow(); });
}

void TForm2::closeEvent(QCloseEvent* event) {
    // The window manager's close (Alt+F4) is refused; the buttons close it.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
