#include "TForm6.h"

TForm6::TForm6(QWidget* parent)
    : QWidget(parent),
      Edit1(new QLineEdit(this)),
      Timer1(new QTimer(this)),
      CppWebBrowser2(new TCppWebBrowser(this)),
      Panel4(new QFrame(this)) {
    setWindowTitle(QStringLiteral("ORVEX產品註冊"));
    setFixedSize(465, 373);
    Edit1->hide();
    Panel4->hide();
    Timer1->setInterval(2000);
}
