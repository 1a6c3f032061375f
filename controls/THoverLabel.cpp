#include "THoverLabel.h"

#include "Accessibility.h"
#include "Pictures.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

bool keyboardMoved(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

}  // namespace

THoverLabel::THoverLabel(QWidget* parent) : QLabel(parent) {
    accessibility::installInterfaces();
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void THoverLabel::makeButton(const QList<THoverLabel*>& labels, FocusFace face) {
    THoverLabel* hot = labels.front();
    hot->labels_ = labels;
    hot->face_ = face;
    for (THoverLabel* label : labels) {
        label->button_ = hot;
        if (hot->accessibleName().isEmpty() && !label->text().isEmpty()) {
            // Captions are spaced out to fill their face ("離    開"); the name is the word.
            hot->setAccessibleName(label->text().simplified().remove(u' '));
        }
    }
    // Tab only: a click leaves the focus where it was, as a label's click always did.
    hot->setFocusPolicy(Qt::TabFocus);
}

// While the face is lit for the focus, every pointer event relights it (restore, then lighten)
// so that it never goes two steps lighter nor goes plain under a focus.
void THoverLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    hovered_ = true;
    if (litByFocus() && button_->face_ == FocusFace::Lightened) {
        emit mouseLeft();
    }
    emit mouseEntered();
}

void THoverLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    hovered_ = false;
    emit mouseLeft();
    if (litByFocus() && button_->face_ == FocusFace::Lightened) {
        emit mouseEntered();
    }
}

void THoverLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    focusCues_ = false;
    event->accept();
}

// A click is a left press and release on the label, as a Windows label's click is.
void THoverLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
    pressed_ = false;
    event->accept();
    if (click) {
        emit clicked();
    }
}

void THoverLabel::keyPressEvent(QKeyEvent* event) {
    const bool press = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                       event->key() == Qt::Key_Enter;
    if (!isButton() || !press || event->isAutoRepeat() ||
        (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    focusCues_ = true;
    showFocus();
    emit clicked();
}

void THoverLabel::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    if (keyboardMoved(event->reason())) {
        focusCues_ = true;
    }
    if (isButton() && focusCues_) {
        showFocus();
    }
}

void THoverLabel::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    // A window that goes inactive or hides keeps its focus widget, and the face its light for
    // when the window is active again; a window being destroyed gets no handler calls.
    if (litByFocus_ && event->reason() != Qt::ActiveWindowFocusReason) {
        setLitByFocus(false);
    }
}

void THoverLabel::showFocus() {
    if (!litByFocus_) {
        setLitByFocus(true);
    }
}

// The face goes plain, then lit again while the focus or the pointer is on the button.
void THoverLabel::setLitByFocus(bool lit) {
    litByFocus_ = lit;
    update();
    if (face_ == FocusFace::Frame) {
        return;
    }
    emit mouseLeft();
    if (lit || pointerOverButton()) {
        emit mouseEntered();
    }
}

bool THoverLabel::pointerOverButton() const {
    for (const THoverLabel* label : labels_) {
        if (label->hovered_) {
            return true;
        }
    }
    return false;
}

void THoverLabel::setPicture(const QString& name) {
    pictureName_ = name;
    setPixmap(QPixmap::fromImage(pictures::load(name)));
}

QImage THoverLabel::sharpPicture() const {
    return pictureName_.isEmpty() ? QImage() : pictures::loadSharp(pictureName_);
}

void THoverLabel::paintEvent(QPaintEvent* event) {
    const QImage sharp = devicePixelRatioF() > 1 ? sharpPicture() : QImage();
    if (sharp.isNull()) {
        QLabel::paintEvent(event);
    } else {
        // In the place of the pixmap, which such a label shows at the top left.
        QPainter painter(this);
        pictures::drawSharp(painter, QRectF(QPointF(), pixmap().deviceIndependentSize()), sharp);
    }
    if (litByFocus_) {
        // A dotted frame in the captions' colour, as a desktop marks a focused button.
        QPainter painter(this);
        painter.setPen(QPen(QColor(0x1f, 0x4e, 0x8c), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}
