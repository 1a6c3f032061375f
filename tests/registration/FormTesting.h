#pragma once

#include "Hover.h"
#include "TestEnvironment.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>

namespace formtesting {

// The windows of one program start; the main window is shown as at start.
struct Program {
    Program() {
        createForms();
        Form1->show();
    }
    ~Program() { destroyForms(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
};

// Shows the registration form as the member-type window does, and makes it the active
// window so that focus and keys behave as on a desktop.
inline void showForm(const QString& memberType) {
    Form5->MemberType = memberType;
    Form5->show();
    Form5->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form5));
}

inline void writeState(const QString& name, const QString& value) {
    Registry reg;
    reg.OpenKey(keys::StateKey, true);
    reg.WriteString(name, value);
}

inline void writeStateInt(const QString& name, int value) {
    Registry reg;
    reg.OpenKey(keys::StateKey, true);
    reg.WriteInteger(name, value);
}

// A user's pick in a list: the selection, then the list's report of it.
inline void pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

inline void pick(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    pick(list, index);
}

// Key presses and releases carrying any text, Chinese included.
inline void type(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// A form that passes every check: 王小明, born 1970/3/7, 臺北市 中正區, one product bought
// on the first-run day 2005/3/7.
inline void fillValid(const QString& memberType) {
    Form5->hide();
    showForm(memberType);
    TForm5& f = *Form5;
    writeState(keys::FirstRunYear, QStringLiteral("2005"));
    writeState(keys::FirstRunMonth, QStringLiteral("3"));
    writeState(keys::FirstRunDay, QStringLiteral("7"));
    while (f.TabControl1->count() > 0) {
        f.TabControl1->removeTab(0);
    }
    f.Edit1->setText(QStringLiteral("王小明"));
    f.Edit2->setText(QStringLiteral("1970"));
    f.ComboBox1->setEnabled(true);
    pick(f.ComboBox1, QStringLiteral("3"));
    f.ComboBox2->setCurrentIndex(6);
    f.ComboBox3->setCurrentIndex(0);
    f.ComboBox4->setCurrentIndex(0);
    f.ComboBox6->setCurrentIndex(0);
    pick(f.ComboBox8, QStringLiteral("臺北市"));
    f.Edit6->setText(QStringLiteral("忠孝東路一段1號"));
    f.Edit7->setText(QStringLiteral("ming@example.com.tw"));
    f.Edit8->setText(QStringLiteral("02"));
    f.Edit9->setText(QStringLiteral("23456789"));
    f.Edit16->setText(QStringLiteral("EFF1234567"));
    f.Edit18->setText(QStringLiteral("2005"));
    f.ComboBox10->setCurrentIndex(2);
    f.ComboBox11->setCurrentIndex(6);
    if (memberType == QStringLiteral("Person")) {
        f.Edit3->clear();
        f.Edit4->setText(QStringLiteral("A123456789"));
    } else {
        f.Edit3->setText(QStringLiteral("奧維斯股份有限公司"));
        f.Edit4->setText(QStringLiteral("12345678"));
        f.ComboBox5->setCurrentIndex(0);
        f.ComboBox7->setCurrentIndex(0);
    }
    Form5->Edit1->setFocus();
}

}  // namespace formtesting
