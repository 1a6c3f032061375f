#include "TBig5Edit.h"

#include "platform/Cp950.h"
#include "platform/MessageBoxes.h"

#include <QKeyEvent>

TBig5Edit::TBig5Edit(QWidget* parent) : QLineEdit(parent) {
    // textChanged comes before textEdited, so when the user's edit is reported, previous_
    // holds the text before it.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        previous_ = current_;
        current_ = text;
    });
    connect(this, &QLineEdit::textEdited, this, &TBig5Edit::userEdited);
}

QString TBig5Edit::refusalText(const QString& character) {
    return QStringLiteral("「%1」不在 Big5 字集內，無法輸入，請改用其他字。").arg(character);
}

QString TBig5Edit::refusalCaption() {
    return QStringLiteral("無法輸入的字");
}

void TBig5Edit::userEdited(const QString& edited) {
    // What the edit put in: the part between the common head and tail of old and new text.
    const QString old = previous_;
    qsizetype head = 0;
    while (head < old.size() && head < edited.size() && old[head] == edited[head]) {
        ++head;
    }
    qsizetype tail = 0;
    while (tail < old.size() - head && tail < edited.size() - head &&
           old[old.size() - 1 - tail] == edited[edited.size() - 1 - tail]) {
        ++tail;
    }
    // Never split a surrogate pair at the edges of the inserted part.
    if (head > 0 && edited[head - 1].isHighSurrogate()) {
        --head;
    }
    QString inserted = edited.mid(head, edited.size() - head - tail);
    const QString before = edited.left(head);
    const QString after = edited.right(tail);

    QString refused;
    if (const auto bad = cp950::firstUnmappable(inserted)) {
        refused = cp950::characterAt(inserted, *bad);
        inserted = inserted.left(*bad);
    }
    if (charCase_ == Upper) {
        inserted = inserted.toUpper();
    } else if (charCase_ == Lower) {
        inserted = inserted.toLower();
    }
    if (maxBytes_ > 0) {
        const qsizetype room = maxBytes_ - cp950::byteLength(before) - cp950::byteLength(after);
        inserted = cp950::truncateToBytes(inserted, room < 0 ? 0 : room);
    }
    const QString result = before + inserted + after;
    if (result != edited) {
        const int cursor = static_cast<int>(before.size() + inserted.size());
        setText(result);
        setCursorPosition(cursor);
    }
    if (!refused.isEmpty()) {
        msg::inform(refusalText(refused), refusalCaption());
        setFocus();
    }
}

void TBig5Edit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) {
        emit KeyUp();
    }
}
