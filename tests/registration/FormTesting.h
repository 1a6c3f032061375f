#pragma once

#include "TestEnvironment.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "platform/Registry.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"
#include "state/Keys.h"

#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
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

inline void hover(QWidget* label, bool enter) {
    if (enter) {
        QEnterEvent e(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(label, &e);
    } else {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(label, &e);
    }
}

}  // namespace formtesting
