#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include "controls/TCppWebBrowser.h"

// The upload window.
class TForm6 : public QWidget {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QTimer* Timer1;
    TCppWebBrowser* CppWebBrowser2;
    QFrame* Panel4;
};
