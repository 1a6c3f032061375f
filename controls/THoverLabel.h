#pragma once

#include <QLabel>
#include <initializer_list>

// A transparent label that reports click, pointer enter and pointer leave: the hot area and
// the caption of a hover image button.
class THoverLabel : public QLabel {
    Q_OBJECT
public:
    explicit THoverLabel(QWidget* parent = nullptr);

signals:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// Gives the hot area and the caption of one hover button the button's click, enter and leave.
template <typename Owner, typename Click, typename Enter, typename Leave>
void bindHoverButton(Owner* owner, std::initializer_list<THoverLabel*> labels, Click click,
                     Enter enter, Leave leave) {
    for (THoverLabel* label : labels) {
        QObject::connect(label, &THoverLabel::clicked, owner, click);
        QObject::connect(label, &THoverLabel::mouseEntered, owner, enter);
        QObject::connect(label, &THoverLabel::mouseLeft, owner, leave);
    }
}
