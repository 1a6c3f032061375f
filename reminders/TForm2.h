#pragma once

#include "controls/Handlers.h"
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

    // Whole calendar days from the first run to today decide the opt-out strip.
    static bool offersOptOut(const QDate& firstRun, const QDate& today, int days);

    // Hover handlers of the image buttons, given their work by the buttons table.
    Handler Label3MouseEnter, Label3MouseLeave;
    Handler Label4MouseEnter, Label4MouseLeave;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
