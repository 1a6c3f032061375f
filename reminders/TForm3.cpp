#include "TForm3.h"

#include "app/Forms.h"
#include "app/TForm1.h"
#include "controls/Accessibility.h"
#include "controls/Guard.h"
#include "controls/Placement.h"

#include <QCloseEvent>

TForm3::TForm3(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setFixedSize(454, 367);
    Image2->setPicture(QStringLiteral("face_97x25.png"));
    guard::connect(Image2, &THoverLabel::clicked, this, &TForm3::Image2Click);
    guard::connect(Label2, &THoverLabel::clicked, this, &TForm3::Image2Click);
    // The face has no hover picture, so a focus frame shows the focus.
    THoverLabel::makeButton({Image2, Label2}, THoverLabel::FocusFace::Frame);
    accessibility::onEscape(this, [this] { Image2Click(); });
}

void TForm3::Image2Click() {
    close();
    Form1->close();
}

void TForm3::showEvent(QShowEvent* event) {
    placement::centreOnScreen(this);
    QWidget::showEvent(event);
}

void TForm3::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
