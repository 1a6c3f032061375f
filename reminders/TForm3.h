#pragma once

#include "ui_TForm3.h"

#include <QWidget>

// The remind-later notice: says the program will remind the user, and ends the program.
class TForm3 : public QWidget, public Ui::TForm3 {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    void Image2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
