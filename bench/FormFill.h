#pragma once

#include "registration/TForm5.h"

// The particulars of one person, valid for the form's checks.
inline void fillParticulars(TForm5& f) {
    f.Edit1->setText(QStringLiteral("王小明"));
    f.Edit2->setText(QStringLiteral("1970"));
    f.ComboBox1->setEnabled(true);
    f.ComboBox1->setCurrentIndex(2);
    f.ComboBox1Change();
    f.ComboBox2->setCurrentIndex(6);
    f.ComboBox3->setCurrentIndex(0);
    f.ComboBox4->setCurrentIndex(0);
    f.ComboBox6->setCurrentIndex(0);
    f.ComboBox8->setCurrentIndex(0);
    f.ComboBox8Change();
    f.Edit6->setText(QStringLiteral("忠孝東路一段1號"));
    f.Edit7->setText(QStringLiteral("ming@example.com.tw"));
    f.Edit8->setText(QStringLiteral("02"));
    f.Edit9->setText(QStringLiteral("23456789"));
    f.Edit4->setText(QStringLiteral("A123456789"));
}
