#pragma once

#include <QLabel>
#include <QList>

// A transparent label that reports click, pointer enter and pointer leave: the hot area and
// the caption of a hover image button.
//
// The hot area of a button also serves the keyboard and screen readers: it takes the focus by
// Tab, Space and Return click it, and it is read as a push button named by the caption. While
// it holds a focus that the keyboard can see, its face stays lit as under the pointer and a
// focus frame lies on it.
class THoverLabel : public QLabel {
    Q_OBJECT
public:
    // A focused button shows a focus frame, and its face lit as under the pointer unless it
    // has no hover face.
    enum class FocusFace { Lightened, Frame };

    explicit THoverLabel(QWidget* parent = nullptr);

    // The first label is the hot area; the others lie on it, and the first of them with a
    // text names the button.
    static void makeButton(const QList<THoverLabel*>& labels,
                           FocusFace face = FocusFace::Lightened);
    bool isButton() const { return button_ == this; }
    // What a click does.
    void click() { emit clicked(); }

    // Shows a compiled-in picture by name; a dense screen gets its 2x picture.
    void setPicture(const QString& name);
    QImage sharpPicture() const;

signals:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool litByFocus() const { return button_ != nullptr && button_->litByFocus_; }
    void showFocus();
    void setLitByFocus(bool lit);
    bool pointerOverButton() const;

    // Focus is shown once the keyboard has moved it or pressed a button, and no longer after
    // a button was clicked with the pointer, as a desktop hides focus cues from mouse users.
    static inline bool focusCues_ = false;

    bool pressed_ = false;
    bool hovered_ = false;
    THoverLabel* button_ = nullptr;  // the hot area of the button this label belongs to
    QList<THoverLabel*> labels_;     // on the hot area: every label of its button
    FocusFace face_ = FocusFace::Lightened;
    bool litByFocus_ = false;
    QString pictureName_;
};
