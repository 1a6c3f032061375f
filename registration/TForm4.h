#pragma once

#include <QWidget>

// The member-type window.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};
