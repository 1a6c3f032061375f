#include "TBig5Edit.h"

#include "core/Cp950.h"
#include "desktop/MessageBoxes.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QValidator>
#include <utility>

// QLineEdit asks its validator about every change before it reports it; a change refused
// there is taken back with its undo steps, so no signal ever carries refused text and the
// field's text, selection and undo history are those from before the edit. (Correcting from
// textEdited instead would be followed by a late textChanged with the uncorrected text, and a
// text replaced inside the validator loses the undo history.)
class Big5Validator final : public QValidator {
public:
    explicit Big5Validator(TBig5Edit* edit) : QValidator(edit), edit_(edit) {}

    State validate(QString& input, int&) const override {
        return edit_->userChange(input) ? Acceptable : Invalid;
    }

private:
    TBig5Edit* edit_;
};

namespace {

// Counts the handling of one input event, also when a handler behind it throws.
class InputScope {
public:
    explicit InputScope(int& depth) : depth_(depth) { ++depth_; }
    ~InputScope() { --depth_; }
    InputScope(const InputScope&) = delete;
    InputScope& operator=(const InputScope&) = delete;

private:
    int& depth_;
};

// Undo and redo bring back texts the field held before; they are taken as they are, from the
// keyboard as from the menu.
bool isUserInput(QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            return !key->matches(QKeySequence::Undo) && !key->matches(QKeySequence::Redo);
        }
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

}  // namespace

TBig5Edit::TBig5Edit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new Big5Validator(this));
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { committed_ = text; });
}

QString TBig5Edit::refusalText(const QString& character) {
    return QStringLiteral("「%1」不在 Big5 字集內，無法輸入，請改用其他字。").arg(character);
}

QString TBig5Edit::refusalCaption() {
    return QStringLiteral("無法輸入的字");
}

TBig5Edit::Corrected TBig5Edit::correct(const QString& before, const QString& after, int maxBytes,
                                        CharCase charCase) {
    // What the edit put in: the part between the common head and tail of old and new text.
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) {
        ++head;
    }
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    // Never split a surrogate pair at the edges of the inserted part.
    if (head > 0 && after[head - 1].isHighSurrogate()) {
        --head;
    }
    if (tail > 0 && after[after.size() - tail].isLowSurrogate()) {
        --tail;
    }
    Corrected out;
    const QString kept = after.left(head);
    const QString rest = after.right(tail);
    QString inserted = after.mid(head, after.size() - head - tail);
    if (charCase == Upper) {
        inserted = inserted.toUpper();
    } else if (charCase == Lower) {
        inserted = inserted.toLower();
    }

    QString held;
    for (qsizetype i = 0; i < inserted.size();) {
        const QString character = cp950::characterAt(inserted, i);
        i += character.size();
        if (cp950::tryEncode(character)) {
            held += character;
        } else if (!out.refused.contains(character)) {
            out.refused += character;
        }
    }
    if (maxBytes > 0) {
        const qsizetype room = maxBytes - cp950::byteLength(kept) - cp950::byteLength(rest);
        held = cp950::truncateToBytes(held, room < 0 ? 0 : room);
    }
    out.start = static_cast<int>(head);
    if (!inserted.isEmpty() && held.isEmpty()) {
        out.text = before;
        out.cursor = out.start;
        return out;
    }
    out.removed = static_cast<int>(before.size() - head - tail);
    out.held = held;
    out.text = kept + held + rest;
    out.cursor = static_cast<int>(kept.size() + held.size());
    return out;
}

bool TBig5Edit::userChange(const QString& text) {
    if (userInput_ == 0 || text == committed_) {
        return true;
    }
    const Corrected c = correct(committed_, text, maxBytes_, charCase_);
    for (qsizetype i = 0; i < c.refused.size();) {
        const QString character = cp950::characterAt(c.refused, i);
        i += character.size();
        if (!refused_.contains(character)) {
            refused_ += character;
        }
    }
    if (c.text == text) {
        return true;
    }
    if (c.text != committed_) {
        correction_ = Correction{committed_, c};
    }
    return false;
}

void TBig5Edit::finishUserInput() {
    if (userInput_ > 0) {
        return;
    }
    if (correction_) {
        const Correction c = *std::exchange(correction_, std::nullopt);
        if (text() == c.before) {
            // An edit of its own, which one undo takes back whole.
            setSelection(c.edit.start, c.edit.removed);
            insert(c.edit.held);
        } else {
            // Text set while the edit was handled cannot be taken back; it is replaced.
            setText(c.edit.text);
        }
    }
    reportRefused();
}

void TBig5Edit::reportRefused() {
    if (refused_.isEmpty()) {
        return;
    }
    // Name each refused character, surrogate pairs whole.
    QStringList names;
    for (qsizetype i = 0; i < refused_.size();) {
        const QString character = cp950::characterAt(refused_, i);
        i += character.size();
        names.append(character);
    }
    refused_.clear();
    msg::inform(refusalText(names.join(QStringLiteral("」「"))), refusalCaption());
    setFocus();
}

bool TBig5Edit::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        pressed_.insert(static_cast<QKeyEvent*>(event)->key());
    } else if (event->type() == QEvent::FocusOut) {
        // A key held as the focus leaves (to a message box it raised) is released elsewhere.
        pressed_.clear();
    }
    if (!isUserInput(event)) {
        return QLineEdit::event(event);
    }
    bool handled = false;
    {
        InputScope scope(userInput_);
        handled = QLineEdit::event(event);
    }
    finishUserInput();
    // Text committed by an input method may come without a key release of its own; the
    // field's key rules must still see it.
    if (event->type() == QEvent::InputMethod &&
        !static_cast<QInputMethodEvent*>(event)->commitString().isEmpty()) {
        emit KeyUp();
    }
    return handled;
}

void TBig5Edit::pasteAsUser() {
    {
        InputScope scope(userInput_);
        paste();
    }
    finishUserInput();
}

// The menu's paste runs after the menu closes, outside any input event of the field, so it
// is rerouted to be checked like a typed paste.
void TBig5Edit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    const QString pasteText = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().startsWith(pasteText)) {
            disconnect(action, nullptr, this, nullptr);
            connect(action, &QAction::triggered, this, &TBig5Edit::pasteAsUser);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TBig5Edit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    // A key pressed elsewhere, as the Return that closed a message box, is no key typed here.
    // Tab is: it moves the focus on its press, so its release belongs to the field it reached.
    const bool focusKey = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (!event->isAutoRepeat() && (pressed_.remove(event->key()) || focusKey)) {
        emit KeyUp();
    }
}
