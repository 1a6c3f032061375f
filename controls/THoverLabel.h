#pragma once

#include <QLabel>

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
