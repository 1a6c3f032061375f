#pragma once

#include "Guard.h"
#include "THoverLabel.h"
#include "TProEffectImage.h"

#include <QList>
#include <cstddef>
#include <functional>

// A handler that a window names as its designer named it (Label1MouseEnter, Edit8Enter ...),
// whose work one of the window's tables gives it rather than a body of its own.
class Handler {
public:
    void operator()() const { action_(); }
    void setAction(std::function<void()> action) { action_ = std::move(action); }

private:
    std::function<void()> action_;
};

// One row of a window's table of image buttons: the labels that share the button's click and
// hover (the hot area first), its click handler, its two hover handlers, the picture that
// lights up, and the twin holding its plain face (fixed, or chosen as the window stands).
template <typename Window>
class HoverButton {
public:
    using PlainFace = std::function<const TProEffectImage*()>;

    HoverButton(QList<THoverLabel*> labels, void (Window::*click)(), Handler& enter, Handler& leave,
                TProEffectImage* face, const TProEffectImage* twin)
        : HoverButton(labels, click, enter, leave, face, [twin] { return twin; }) {}
    HoverButton(QList<THoverLabel*> labels, void (Window::*click)(), Handler& enter, Handler& leave,
                TProEffectImage* face, PlainFace plain)
        : labels_(std::move(labels)),
          click_(click),
          enter_(enter),
          leave_(leave),
          face_(face),
          plain_(std::move(plain)) {}

    // Gives the handlers their work, connects every label to them, each guarded, and makes the
    // hot area the button for the keyboard.
    void wire(Window* window, int lightness) const {
        enter_.setAction([face = face_, lightness] { face->Effect_Lightness(lightness); });
        leave_.setAction([face = face_, plain = plain_] { face->assignPicture(plain()); });
        for (THoverLabel* label : labels_) {
            guard::connect(label, &THoverLabel::clicked, window, click_);
            QObject::connect(label, &THoverLabel::mouseEntered, window,
                             guard::handler([&enter = enter_] { enter(); }));
            QObject::connect(label, &THoverLabel::mouseLeft, window,
                             guard::handler([&leave = leave_] { leave(); }));
        }
        THoverLabel::makeButton(labels_);
    }

private:
    QList<THoverLabel*> labels_;
    void (Window::*click_)();
    Handler& enter_;
    Handler& leave_;
    TProEffectImage* face_;
    PlainFace plain_;
};

// Wires a window's image buttons from its table; every face lights by `lightness` percent.
template <typename Window, std::size_t N>
void wireHoverButtons(Window* window, int lightness, const HoverButton<Window> (&buttons)[N]) {
    for (const HoverButton<Window>& button : buttons) {
        button.wire(window, lightness);
    }
}
