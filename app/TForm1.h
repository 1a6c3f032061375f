#pragma once

#include "controls/Handlers.h"
#include "ui_TForm1.h"

#include <QWidget>

// The main window: the start page above four image buttons (online registration, print
// registration, remind next time, exit). Its creation runs the start-up sequence.
class TForm1 : public QWidget, public Ui::TForm1 {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    // The start-up sequence.
    void FormCreate();

    void Button1Click();  // exit
    void Button2Click();  // remind next time
    void Button3Click();  // print registration
    void Button4Click();  // online registration
    void Label1Click() { Button4Click(); }
    void Label2Click() { Button3Click(); }
    void Label3Click() { Button2Click(); }
    void Label4Click() { Button1Click(); }

    // The offer to upload again a registration whose upload failed.
    void CppWebBrowser1DocumentComplete();

    const QString& ProgramFolder() const { return programFolder_; }

    // Hover handlers of the image buttons, given their work by the buttons table.
    Handler Label1MouseEnter, Label1MouseLeave;
    Handler Label2MouseEnter, Label2MouseLeave;
    Handler Label3MouseEnter, Label3MouseLeave;
    Handler Label4MouseEnter, Label4MouseLeave;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Fonts, program folder and caption: steps of the start-up that need no stored state.
    void dress();
    void showStartPage();

    QString programFolder_;
    bool centred_ = false;
    bool skipOffer_ = false;  // the start page after a hive that could not be used
};
