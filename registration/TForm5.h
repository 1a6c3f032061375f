#pragma once

#include <QString>
#include <QWidget>

// The registration form.
class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    QString RegMode;     // "online" or "print", set by the main window
    QString MemberType;  // "Person" or "Enterprise", set by the member-type window

    void PrintRegCard();
};
