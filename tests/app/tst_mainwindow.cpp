#include "Hover.h"
#include "TestEnvironment.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "card/TForm7.h"
#include "core/Cp950.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "desktop/Lifetime.h"
#include "platform/Error.h"
#include "platform/Hive.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"
#include "reminders/TForm2.h"
#include "reminders/TForm3.h"
#include "upload/TForm6.h"

#include <QSignalSpy>
#include <QTest>

namespace {

void writeState(const QString& name, const QString& value) {
    Registry reg;
    reg.OpenKey(keys::StateKey, true);
    reg.WriteString(name, value);
}

// Runs the windows of one program start in the test's environment.
struct Program {
    Program() {
        createForms();
        Form1->show();
    }
    ~Program() { destroyForms(); }
    // Lets the start page finish loading.
    static void settle() { QTest::qWait(20); }
};

const QString kQuestion = QStringLiteral("程式偵測到您上次上傳使用者資料失敗, 要再一次上傳嗎?");

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void createsSevenWindowsWithOnlyTheMainOneShown() {
        TestEnvironment env(true);
        Program program;
        QVERIFY(Form1 && Form2 && Form3 && Form4 && Form5 && Form6 && Form7);
        QVERIFY(Form1->isVisible());
        for (QWidget* w :
             std::initializer_list<QWidget*>{Form2, Form3, Form4, Form5, Form6, Form7}) {
            QVERIFY(!w->isVisible());
        }
        QCOMPARE(Form1->size(), QSize(748, 527));
        QCOMPARE(Form1->CppWebBrowser1->geometry(), QRect(0, 0, 748, 488));
        QCOMPARE(Form1->ProEffectImage4->geometry(), QRect(632, 6, 97, 25));
        QCOMPARE(Form1->Label8->text(), QStringLiteral("離開"));
        QVERIFY(!Form1->Button1->isVisible());
    }

    // The first paint needs the main window only; the others are made in their order when
    // an action first reaches one of them.
    void windowsAfterTheMainOneAreMadeWhenReached() {
        TestEnvironment env(true);
        Program program;
        QVERIFY(!Form2.exists() && !Form7.exists());
        Form1->Label3Click();
        QVERIFY(Form2.exists() && Form3.exists() && !Form4.exists());
        QVERIFY(Form3->isVisible() && !Form2->isVisible());
        Form1->Label1Click();
        QVERIFY(Form4->isVisible() && !Form5->isVisible() && !Form6.exists());
        QCOMPARE(Form5->RegMode, QStringLiteral("online"));
    }

    void resendOfferAtEveryCompletedPage() {
        TestEnvironment env(true);
        writeState(keys::UploadFail, QStringLiteral("y"));
        writeState(keys::RegStr, QStringLiteral("Name=許功蓋&Addr=a=b&c"));
        Program program;
        Program::settle();
        QCOMPARE(env.boxes.count(), 1);
        const auto& box = env.boxes.last();
        QCOMPARE(box.text, kQuestion);
        QCOMPARE(box.caption, QStringLiteral("ORVEX註冊程式"));
        QCOMPARE(box.icon, msg::Icon::None);
        QCOMPARE(box.buttons, msg::Buttons::YesNo);
        // No: asked again at the next completed page.
        Form1->CppWebBrowser1->Navigate(env.programFolder() + QStringLiteral("/index.htm"));
        Program::settle();
        QCOMPARE(env.boxes.count(), 2);
        QVERIFY(Form1->isVisible());
        // Yes: the stored string goes to the upload window.
        env.boxes.answerYes();
        Form1->CppWebBrowser1->Navigate(env.programFolder() + QStringLiteral("/index.htm"));
        Program::settle();
        QVERIFY(!Form1->isVisible());
        QVERIFY(Form6->isVisible());
        QCOMPARE(cp950::encode(Form6->Edit1->text()),
                 cp950::encode(QStringLiteral("Name=許功蓋&Addr=a=b&c")));
    }

    void noOfferUnlessExactlyY() {
        for (const QString& value : {QStringLiteral("n"), QStringLiteral("Y"), QString()}) {
            TestEnvironment env(true);
            writeState(keys::UploadFail, value);
            Program program;
            Program::settle();
            QCOMPARE(env.boxes.count(), 0);
        }
    }

    void onlineAndPrintLeadToTheMemberType() {
        TestEnvironment env(true);
        Program program;
        QTest::mouseClick(Form1->Label5, Qt::LeftButton);  // the caption of "線上註冊"
        QCOMPARE(Form5->RegMode, QStringLiteral("online"));
        QVERIFY(!Form1->isVisible());
        QVERIFY(Form4->isVisible());
        Form4->close();  // back to the same main window
        Form1->show();
        QTest::mouseClick(Form1->Label2, Qt::LeftButton);  // the picture area of "列印註冊"
        QCOMPARE(Form5->RegMode, QStringLiteral("print"));
        QVERIFY(!Form1->isVisible());
        QVERIFY(Form4->isVisible());
    }

    void remindShowsTheNoticeAndRecordsIt() {
        TestEnvironment env(true);
        Program program;
        Form1->Label3Click();
        QVERIFY(Form3->isVisible());
        QVERIFY(Form1->isVisible());
        Registry reg;
        QVERIFY(reg.OpenKey(keys::StateKey));
        QCOMPARE(reg.ReadString(keys::IsRemind), QStringLiteral("y"));
        QVERIFY(!lifetime::endRequested());
        Form3->Image2Click();
        QVERIFY(lifetime::endRequested());
    }

    void exitShowsTheLeaveDialogWithItsPage() {
        TestEnvironment env(true);
        Program program;
        QTest::mouseClick(Form1->Label8, Qt::LeftButton);
        QVERIFY(Form2->isVisible());
        QVERIFY(Form1->isVisible());
        QCOMPARE(Form2->CppWebBrowser1->LocationURL(),
                 env.programFolder() + QStringLiteral("/leavemsg.htm"));
    }

    void hoverLightensAndRestores() {
        TestEnvironment env(true);
        Program program;
        const QImage plain = Form1->ProEffectImage2->Picture();
        hover(Form1->Label6, true);
        QVERIFY(Form1->ProEffectImage2->Picture() != plain);
        QCOMPARE(Form1->ProEffectImage2->Picture(), TProEffectImage::lightened(plain, 80));
        hover(Form1->Label6, false);
        QCOMPARE(Form1->ProEffectImage2->Picture(), plain);
        hover(Form1->Label2, true);
        QCOMPARE(Form1->ProEffectImage2->Picture(), TProEffectImage::lightened(plain, 80));
        QCOMPARE(Form1->ProEffectImage1->Picture(), plain);
        hover(Form1->Label2, false);
    }

    void closingTheMainWindowEndsTheProgram() {
        TestEnvironment env(true);
        Program program;
        Form1->close();
        QVERIFY(lifetime::endRequested());
        QCOMPARE(env.boxes.count(), 0);
    }

    // A failing handler shows the error box and ends alone; a window not made yet is an error.
    void aFailingHandlerEndsAlone() {
        TestEnvironment env(true);
        Program program;
        Hive::setPath(QString());  // lets go of the file, opened again read-only
        if (!setReadOnly(env.hivePath(), true)) {
            QSKIP("this user can write into any file");
        }
        Hive::setPath(env.hivePath());
        QTest::mouseClick(Form1->Label7, Qt::LeftButton);  // 下次提醒 writes isRemind
        setReadOnly(env.hivePath(), false);
        QVERIFY(Form3->isVisible() && env.boxes.last().text.contains(env.hivePath()));
        QTest::mouseClick(Form1->Label5, Qt::LeftButton);
        QVERIFY(Form4->isVisible());
        destroyForms();
        QVERIFY_THROWS_EXCEPTION(Error, Form6->show());
    }

    void remindWithoutAStateKeyFailsAfterShowingTheNotice() {
        TestEnvironment env(true);
        Program program;
        Hive::setPath(env.root() + QStringLiteral("/other.sqlite3"));
        try {
            Form1->Button2Click();
            QFAIL("no error");
        } catch (const Error& e) {
            QCOMPARE(e.message(), QStringLiteral("Failed to set data for 'isRemind'"));
        }
        QVERIFY(Form3->isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
