#include "TForm5.h"

TForm5::TForm5(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("會員註冊"));
    setFixedSize(800, 600);
}

void TForm5::PrintRegCard() {}
