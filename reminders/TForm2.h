#pragma once

#include "ui_TForm2.h"

#include <QWidget>

// The leave dialog: the page leavemsg.htm, OK and "register now", and, once the first run
// lies far enough back, the offer never to be reminded again.
class TForm2 : public QWidget, public Ui::TForm2 {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    void FormShow();
    void Button1Click();  // OK: leave the program
    void Button2Click();  // register now: back to the main window
    void Label3MouseEnter();
    void Label3MouseLeave();
    void Label4MouseEnter();
    void Label4MouseLeave();

    // Whole calendar days from the first run to today decide the opt-out strip.
    static bool offersOptOut(const QDate& firstRun, const QDate& today, int days);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
