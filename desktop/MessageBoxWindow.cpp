#include "MessageBoxWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QSpacerItem>

namespace {

// Title bars centre the caption at about 14 pixels, between an icon on the left and up to
// three buttons on the right; the same room on both sides keeps a centred caption whole.
constexpr int kTitlePixels = 14;
constexpr int kTitleBarSides = 2 * 80;

bool isPlainWindow(const QWidget* w) {
    return w->windowType() == Qt::Window || w->windowType() == Qt::Dialog;
}

// The window the box belongs to. Without keyboard focus (a compositor may give none) it is
// the visible window, one that stays on top before the others.
QWidget* raisingWindow() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && isPlainWindow(w) &&
            (found == nullptr || w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))) {
            found = w;
        }
    }
    return found;
}

}  // namespace

MessageBoxWindow::MessageBoxWindow(bool question)
    : QMessageBox(raisingWindow()), question_(question) {
    if (question_) {
        setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                       Qt::WindowTitleHint);
    }
}

void MessageBoxWindow::showEvent(QShowEvent* event) {
    QFont titleFont = font();
    titleFont.setPixelSize(kTitlePixels);
    const int captionRoom =
        QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarSides;
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addItem(new QSpacerItem(captionRoom, 0), grid->rowCount(), 0, 1, grid->columnCount());
    QMessageBox::showEvent(event);
}

void MessageBoxWindow::keyPressEvent(QKeyEvent* event) {
    if (question_ && event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void MessageBoxWindow::closeEvent(QCloseEvent* event) {
    if (question_ && clickedButton() == nullptr) {
        event->ignore();
        return;
    }
    QMessageBox::closeEvent(event);
}
