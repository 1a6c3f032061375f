#pragma once

#include "desktop/MessageBoxes.h"

#include <QList>
#include <QString>

// Message boxes for tests: records every box and answers Yes/No questions as queued
// (No when nothing is queued).
class FakeMessageBoxes final : public msg::MessageBoxes {
public:
    struct Shown {
        QString text;
        QString caption;
        msg::Icon icon;
        msg::Buttons buttons;
    };

    msg::Answer show(const QString& text, const QString& caption, msg::Icon icon,
                     msg::Buttons buttons) override;

    void answer(msg::Answer a) { answers_.append(a); }
    void answerYes() { answer(msg::Answer::Yes); }
    void answerNo() { answer(msg::Answer::No); }
    // Runs when a box is shown, before it is answered (to look at the windows behind it).
    void onShow(std::function<void(const Shown&)> hook) { hook_ = std::move(hook); }

    const QList<Shown>& shown() const { return shown_; }
    QStringList texts() const;
    const Shown& last() const { return shown_.back(); }
    int count() const { return static_cast<int>(shown_.size()); }
    void clear() { shown_.clear(); }

private:
    QList<Shown> shown_;
    QList<msg::Answer> answers_;
    std::function<void(const Shown&)> hook_;
};
