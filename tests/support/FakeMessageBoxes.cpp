#include "FakeMessageBoxes.h"

#include <QStringList>

msg::Answer FakeMessageBoxes::show(const QString& text, const QString& caption, msg::Icon icon,
                                   msg::Buttons buttons) {
    shown_.append({text, caption, icon, buttons});
    if (hook_) {
        hook_(shown_.back());
    }
    if (buttons == msg::Buttons::Ok) {
        return msg::Answer::Ok;
    }
    return answers_.isEmpty() ? msg::Answer::No : answers_.takeFirst();
}

QStringList FakeMessageBoxes::texts() const {
    QStringList list;
    for (const Shown& s : shown_) {
        list.append(s.text);
    }
    return list;
}
