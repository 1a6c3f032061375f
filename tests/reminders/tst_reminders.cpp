#include "Hover.h"
#include "TestEnvironment.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "desktop/Lifetime.h"
#include "platform/LocalClock.h"
#include "reminders/TForm2.h"
#include "reminders/TForm3.h"

#include <QTest>

namespace {

void firstRun(const QDate& date) {
    Registry reg;
    reg.OpenKey(keys::StateKey, true);
    reg.WriteString(keys::FirstRunYear, QString::number(date.year()));
    reg.WriteString(keys::FirstRunMonth, QString::number(date.month()));
    reg.WriteString(keys::FirstRunDay, QString::number(date.day()));
}

QString runValue() {
    Registry reg;
    return reg.OpenKey(keys::RunKey) && reg.ValueExists(keys::RunValue)
               ? reg.ReadString(keys::RunValue)
               : QStringLiteral("<none>");
}

struct Program {
    Program() {
        createForms();
        Form1->show();
    }
    ~Program() { destroyForms(); }
};

// Shows the leave dialog on the given day and tells whether the opt-out strip is offered.
bool stripShown(const QDate& today) {
    LocalClock::setNow(QDateTime(today, QTime(10, 0)));
    Form2->hide();
    Form1->Button1Click();
    return Form2->Panel3->isVisibleTo(Form2);
}

}  // namespace

class TestReminders : public QObject {
    Q_OBJECT
private slots:
    void optOutFollowsWholeDays() {
        QVERIFY(!TForm2::offersOptOut(QDate(2005, 3, 7), QDate(2005, 3, 7), 7));
        QVERIFY(TForm2::offersOptOut(QDate(2005, 3, 20), QDate(2005, 3, 27), 7));
        QVERIFY(!TForm2::offersOptOut(QDate(2005, 2, 28), QDate(2005, 3, 2), 7));
        QVERIFY(!TForm2::offersOptOut(QDate(2005, 1, 31), QDate(2005, 2, 1), 7));
        QVERIFY(TForm2::offersOptOut(QDate(2004, 12, 31), QDate(2005, 1, 7), 7));
        QVERIFY(TForm2::offersOptOut(QDate(2005, 3, 7), QDate(2005, 3, 7), 0));
        QVERIFY(!TForm2::offersOptOut(QDate(2005, 3, 8), QDate(2005, 3, 7), 0));
    }

    void stripAtEveryShow() {
        TestEnvironment env(true);
        Program program;
        firstRun(QDate(2005, 2, 28));
        QVERIFY(!stripShown(QDate(2005, 2, 28)));
        QVERIFY(!stripShown(QDate(2005, 3, 2)));
        QVERIFY(stripShown(QDate(2005, 3, 7)));
        QVERIFY(!stripShown(QDate(2005, 3, 6)));
        env.writeRegset(QStringLiteral("[SpecialBonus]\r\ndays=0\r\n"));
        QVERIFY(stripShown(QDate(2005, 2, 28)));
        QCOMPARE(env.boxes.count(), 0);
        QCOMPARE(Form2->CppWebBrowser1->LocationURL(),
                 env.programFolder() + QStringLiteral("/leavemsg.htm"));
    }

    void missingFirstRunDateIsReported() {
        TestEnvironment env(true);
        Program program;
        Registry reg;
        reg.OpenKey(keys::StateKey, true);
        reg.WriteString(keys::FirstRunYear, QStringLiteral("2005"));
        reg.DeleteValue(keys::FirstRunMonth);
        QVERIFY(!stripShown(QDate(2006, 1, 1)));
        QCOMPARE(env.boxes.count(), 1);
        QCOMPARE(env.boxes.last().text, QStringLiteral("'' is not a valid integer value."));
        QVERIFY(Form2->isVisible());
        QCOMPARE(Form2->CppWebBrowser1->LocationURL(),
                 env.programFolder() + QStringLiteral("/leavemsg.htm"));
    }

    void okLeavesAndTheTickRemovesTheReminder() {
        TestEnvironment env(true);
        {
            Program program;
            Form1->Button1Click();
            Form2->Button1Click();
            QVERIFY(lifetime::endRequested());
            QCOMPARE(runValue(),
                     QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe"));
        }
        lifetime::reset();
        Program program;
        firstRun(QDate(2005, 1, 1));
        LocalClock::setNow(QDateTime(QDate(2005, 2, 1), QTime(9, 0)));
        Form1->Button1Click();
        QVERIFY(Form2->Panel3->isVisibleTo(Form2));
        Form2->CheckBox1->setChecked(true);
        // Register now keeps the tick and deletes nothing.
        QTest::mouseClick(Form2->Label2, Qt::LeftButton);
        QVERIFY(!Form2->isVisible());
        QVERIFY(Form1->isVisible());
        QVERIFY(Form2->CheckBox1->isChecked());
        QCOMPARE(runValue(), QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe"));
        QVERIFY(!lifetime::endRequested());
        Form1->Button1Click();
        QTest::mouseClick(Form2->Label3, Qt::LeftButton);
        QCOMPARE(runValue(), QStringLiteral("<none>"));
        QVERIFY(lifetime::endRequested());
    }

    void buttonsLightenAndRestore() {
        TestEnvironment env(true);
        Program program;
        Form1->Button1Click();
        const QImage plain = Form2->ProEffectImage3->Picture();
        expectHoverButtons(
            {{Form2->Label1, Form2->ProEffectImage1}, {Form2->Label4, Form2->ProEffectImage2}},
            plain);
    }

    void dialogsCloseOnlyThroughTheirButtons() {
        TestEnvironment env(true);
        Program program;
        QVERIFY(!(Form2->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(Form2->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(Form3->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(Form3->size(), QSize(454, 367));
        QCOMPARE(Form2->size(), QSize(400, 197));
    }
};

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
