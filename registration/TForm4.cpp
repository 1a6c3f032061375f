#include "TForm4.h"

#include "TForm5.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "controls/Accessibility.h"
#include "controls/Guard.h"
#include "controls/Placement.h"

#include <QCloseEvent>

namespace {

constexpr int kHoverLightness = 80;

}  // namespace

TForm4::TForm4(QWidget* parent) : QWidget(parent) {
    // Flags and font before the controls exist: a later change of either does not reach the
    // controls that carry a style sheet.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    setupUi(this);
    setFixedSize(268, 165);

    // clang-format off
    const HoverButton<TForm4> buttons[] = {
        {{Label2, Label4}, &TForm4::Label2Click, Label2MouseEnter, Label2MouseLeave,
         ProEffectImage1, ProEffectImage3},
        {{Label3, Label5}, &TForm4::Label3Click, Label3MouseEnter, Label3MouseLeave,
         ProEffectImage2, ProEffectImage4},
    };
    // clang-format on
    wireHoverButtons(this, kHoverLightness, buttons);
    guard::connect(SpeedButton1, &QToolButton::clicked, this, &TForm4::SpeedButton1Click);
    guard::connect(SpeedButton2, &QToolButton::clicked, this, &TForm4::SpeedButton2Click);
    // Escape is the close box: back to the main window.
    accessibility::onEscape(this, [this] { close(); });
}

// Hidden first, and MemberType set before the form is shown: the form lays itself out for
// MemberType as it is shown.
void TForm4::choose(const QString& memberType) {
    hide();
    Form5->MemberType = memberType;
    Form5->show();
}

void TForm4::SpeedButton1Click() {
    choose(QStringLiteral("Person"));
}

void TForm4::SpeedButton2Click() {
    choose(QStringLiteral("Enterprise"));
}

void TForm4::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        placement::centreOnScreen(this);
    }
    QWidget::showEvent(event);
}

// The close box leads back to the main window; no member type is chosen.
void TForm4::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    Form1->show();
}
