#pragma once

#include "controls/Handlers.h"
#include "ui_TForm6.h"

#include <QTimer>
#include <QWidget>

// Posts the registration string to the registration server through a hidden browser, records
// the outcome and shows the success or failure page with re-upload, print and exit buttons.
// It also serves as the plain result window after a printed registration.
class TForm6 : public QWidget, public Ui::TForm6 {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    QTimer* Timer1;
    int postFailed = 0;
    QString aspUrl;

    void FormCreate();
    void FormShow();
    void Timer1Timer();
    void CppWebBrowser1NavigateError();
    void CppWebBrowser1DownloadComplete() { handleResult(); }
    void CppWebBrowser1DocumentComplete() { handleResult(); }
    void Label9Click();  // re-upload
    void Label8Click();  // switch to print registration
    void Label7Click();  // exit

    // After a printed card: no upload, the install folder's success page, only the exit button.
    void ShowPrintResult();

    // Hover handlers of the image buttons, given their work by the buttons table.
    Handler Label9MouseEnter, Label9MouseLeave;
    Handler Label8MouseEnter, Label8MouseLeave;
    Handler Label7MouseEnter, Label7MouseLeave;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void handleResult();
    void focusOnAButton();

    QString programFolder_;
    bool errorShown_ = false;
};

// One POST of the body's CP950 bytes to the address through the browser, with the one header
// "Content-Type: application/x-www-form-urlencoded".
void PostRegistration(TCppWebBrowser* browser, const QString& address, const QString& body);
