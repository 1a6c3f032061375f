#include "TForm7.h"

TForm7::TForm7(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Form7"));
}
