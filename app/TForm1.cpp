#include "TForm1.h"

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("ORVEX註冊程式"));
    setFixedSize(748, 527);
}
