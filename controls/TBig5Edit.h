#pragma once

#include <QLineEdit>
#include <QSet>
#include <optional>

class QValidator;

// A line edit for Big5 text: its limit counts CP950 bytes (a Chinese character takes two),
// it can turn typed letters to upper or lower case, and it refuses, with a message naming it,
// any character that CP950 cannot hold, so nothing is ever stored as "?". The limit and the
// case apply to what the user types, pastes or drops; text set by the program is taken as it
// is. The correction happens before the change is reported, so textChanged and textEdited
// only ever carry the corrected text.
class TBig5Edit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int maxBytes READ maxBytes WRITE setMaxBytes)
    Q_PROPERTY(CharCase charCase READ charCase WRITE setCharCase)

public:
    enum CharCase { Normal, Upper, Lower };
    Q_ENUM(CharCase)

    explicit TBig5Edit(QWidget* parent = nullptr);

    int maxBytes() const { return maxBytes_; }
    void setMaxBytes(int bytes) { maxBytes_ = bytes; }
    CharCase charCase() const { return charCase_; }
    void setCharCase(CharCase c) { charCase_ = c; }

    // The message shown when a character cannot be held in Big5.
    static QString refusalText(const QString& character);
    static QString refusalCaption();

    // What a user's edit from `before` to `after` leaves in the field, with the caret after
    // the inserted part; `refused` collects the characters taken out (each once). An edit that
    // brought characters of which none is left changes nothing, not even what it replaced.
    // Otherwise the result is `before` with `removed` characters at `start` replaced by `held`.
    struct Corrected {
        QString text;
        int cursor = 0;
        QString refused;
        int start = 0;
        int removed = 0;
        QString held;
    };
    static Corrected correct(const QString& before, const QString& after, int maxBytes,
                             CharCase charCase);

signals:
    // A key was released in the field (after the key's edit took effect), or an input method
    // committed text to it. The release of a key pressed elsewhere (the Return that closed a
    // message box) is not reported, but for Tab, whose press brought the focus here.
    void KeyUp();

protected:
    bool event(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class Big5Validator;
    // Called by the validator for every change of the text, before it is reported; false when
    // a user's edit is to be taken back: nothing of it is left, or it is put in corrected.
    bool userChange(const QString& text);
    void pasteAsUser();
    // After a user's input: puts in what is left of a corrected edit, then names the refused
    // characters.
    void finishUserInput();
    void reportRefused();

    int maxBytes_ = 0;  // 0: no limit
    CharCase charCase_ = Normal;
    QString committed_;  // the text as last reported
    int userInput_ = 0;  // > 0 while an input event of the user is being handled
    QString refused_;    // refused characters waiting for their message
    // A user's edit that the line edit took back, to be put in as corrected.
    struct Correction {
        QString before;
        Corrected edit;
    };
    std::optional<Correction> correction_;
    QSet<int> pressed_;  // keys pressed in the field and not yet released
};
