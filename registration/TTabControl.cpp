#include "TTabControl.h"

#include <QEvent>
#include <QStyleOptionTab>

TTabControl::TTabControl(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
    setExpanding(false);
    setFocusPolicy(Qt::TabFocus);
    setStyleSheet(QStringLiteral(
        "QTabBar::tab { background: #e9eef5; color: #1f4e8c; border: 1px solid #9fb1c8;"
        " padding: 2px 10px; margin-right: 3px; }"
        "QTabBar::tab:selected { background: #fffbf0; color: black; border-color: #1f4e8c; }"));
    connect(this, &QTabBar::currentChanged, this, [this](int) {
        if (user_) {
            emit Change();
        }
    });
}

QSize TTabControl::tabSizeHint(int index) const {
    if (index < 0 || index >= count()) {
        return QTabBar::tabSizeHint(index);
    }
    const QString text = tabText(index);
    if (const auto found = sizes_.constFind(text); found != sizes_.cend()) {
        return *found;
    }
    // Every text typed into the model field names a tab for a moment.
    if (sizes_.size() >= kMeasuredTexts) {
        sizes_.clear();
    }
    const QSize size = QTabBar::tabSizeHint(index);
    sizes_.insert(text, size);
    return size;
}

void TTabControl::initStyleOption(QStyleOptionTab* option, int tabIndex) const {
    // Painting asks for every tab's full option, with its text elided through the style sheet,
    // yet draws only the tabs in view; a tab out of view needs no more than its place.
    const QRect place = tabRect(tabIndex);
    if (place.right() >= 0 && place.left() <= width()) {
        QTabBar::initStyleOption(option, tabIndex);
        return;
    }
    option->initFrom(this);
    option->rect = place;
    option->shape = shape();
    option->text = tabText(tabIndex);
}

void TTabControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) {
        sizes_.clear();
    }
    QTabBar::changeEvent(event);
}

template <typename Handler>
void TTabControl::asUser(Handler handler) {
    const bool outer = user_;
    user_ = true;
    try {
        handler();
    } catch (...) {
        user_ = outer;
        throw;
    }
    user_ = outer;
}

void TTabControl::mousePressEvent(QMouseEvent* event) {
    asUser([&] { QTabBar::mousePressEvent(event); });
}

void TTabControl::keyPressEvent(QKeyEvent* event) {
    asUser([&] { QTabBar::keyPressEvent(event); });
}

#if QT_CONFIG(wheelevent)
void TTabControl::wheelEvent(QWheelEvent* event) {
    asUser([&] { QTabBar::wheelEvent(event); });
}
#endif
