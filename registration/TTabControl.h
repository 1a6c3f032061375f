#pragma once

#include <QTabBar>

// The product tabs of the registration form: flat-button tabs without pages. Change reports
// only the user's pick of a tab (click, keys, wheel); tabs the program adds, removes or
// selects report nothing.
class TTabControl : public QTabBar {
    Q_OBJECT
public:
    explicit TTabControl(QWidget* parent = nullptr);

signals:
    void Change();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
#if QT_CONFIG(wheelevent)
    void wheelEvent(QWheelEvent* event) override;
#endif

private:
    template <typename Handler>
    void asUser(Handler handler);

    bool user_ = false;
};
