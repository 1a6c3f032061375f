#include "THoverLabel.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

// A hot area is read as a push button that can be pressed; any other hover label as text.
class HoverLabelAccessible final : public QAccessibleWidget {
public:
    explicit HoverLabelAccessible(THoverLabel* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override {
        return label()->isButton() ? QAccessible::Button : QAccessible::StaticText;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty()) {
            return label()->text().simplified();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (label()->isButton()) {
            names.prepend(pressAction());
        }
        return names;
    }

    void doAction(const QString& name) override {
        if (label()->isButton() && name == pressAction()) {
            label()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (label()->isButton() && name == pressAction()) {
            return {QStringLiteral("Space")};
        }
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    THoverLabel* label() const { return static_cast<THoverLabel*>(widget()); }
};

QAccessibleInterface* hoverLabelAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("THoverLabel") && object != nullptr && object->isWidgetType()) {
        return new HoverLabelAccessible(static_cast<THoverLabel*>(object));
    }
    return nullptr;
}

bool keyboardMoved(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

}  // namespace

THoverLabel::THoverLabel(QWidget* parent) : QLabel(parent) {
    static const bool accessible = [] {
        QAccessible::installFactory(&hoverLabelAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void THoverLabel::makeButton(std::initializer_list<THoverLabel*> labels, FocusFace face) {
    THoverLabel* hot = *labels.begin();
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
    if (!litByFocus_ || event->reason() == Qt::ActiveWindowFocusReason) {
        return;
    }
    litByFocus_ = false;
    if (face_ == FocusFace::Frame) {
        update();
        return;
    }
    emit mouseLeft();
    if (pointerOverButton()) {
        emit mouseEntered();
    }
}

void THoverLabel::showFocus() {
    if (litByFocus_) {
        return;
    }
    litByFocus_ = true;
    if (face_ == FocusFace::Frame) {
        update();
        return;
    }
    emit mouseLeft();
    emit mouseEntered();
}

bool THoverLabel::pointerOverButton() const {
    for (const THoverLabel* label : labels_) {
        if (label->hovered_) {
            return true;
        }
    }
    return false;
}

void THoverLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (litByFocus_ && face_ == FocusFace::Frame) {
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}
