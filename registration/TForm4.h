#pragma once

#include "controls/Handlers.h"
#include "ui_TForm4.h"

#include <QWidget>

// The member-type window: the user registers as a person or as an enterprise. The choice goes
// into the registration form's MemberType before that form is shown.
class TForm4 : public QWidget, public Ui::TForm4 {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    void SpeedButton1Click();  // person
    void SpeedButton2Click();  // enterprise
    void Label2Click() { SpeedButton1Click(); }
    void Label3Click() { SpeedButton2Click(); }

    // Hover handlers of the image buttons, given their work by the buttons table.
    Handler Label2MouseEnter, Label2MouseLeave;
    Handler Label3MouseEnter, Label3MouseLeave;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void choose(const QString& memberType);
};
