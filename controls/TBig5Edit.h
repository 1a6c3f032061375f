#pragma once

#include <QLineEdit>

// A line edit for Big5 text: its limit counts CP950 bytes (a Chinese character takes two),
// it can turn typed letters to upper or lower case, and it refuses, with a message naming it,
// any character that CP950 cannot hold, so nothing is ever stored as "?". The limit and the
// case apply to what the user types or pastes; text set by the program is taken as it is.
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

signals:
    // A key was released in the field (after the key's edit took effect).
    void KeyUp();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void userEdited(const QString& text);

    int maxBytes_ = 0;  // 0: no limit
    CharCase charCase_ = Normal;
    QString current_;
    QString previous_;
};
