#include "TForm4.h"

TForm4::TForm4(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("會員類別"));
    setFixedSize(268, 165);
}
