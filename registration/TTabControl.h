#pragma once

#include <QHash>
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
    QSize tabSizeHint(int index) const override;
    void initStyleOption(QStyleOptionTab* option, int tabIndex) const override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
#if QT_CONFIG(wheelevent)
    void wheelEvent(QWheelEvent* event) override;
#endif

private:
    template <typename Handler>
    void asUser(Handler handler);

    bool user_ = false;
    // Sizes by tab text: measuring through the style sheet is what laying out every tab again
    // on each added or renamed tab costs.
    static constexpr qsizetype kMeasuredTexts = 1000;
    mutable QHash<QString, QSize> sizes_;
};
