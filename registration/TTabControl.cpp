#include "TTabControl.h"

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
