#include "Hover.h"
#include "TestEnvironment.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "core/Cp950.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "desktop/Lifetime.h"
#include "desktop/PrintEngine.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"
#include "registration/TForm5.h"
#include "tools/receiver/ReceiverServer.h"
#include "upload/PagePath.h"
#include "upload/TForm6.h"

#include <QDir>
#include <QTcpServer>
#include <QTest>
#include <memory>

namespace {

const QString kBody = QStringLiteral("Name=許功蓋&Addr=重慶南路1段&2樓=A&ZIP=100&version=3.5");
const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 30, 15));

QString state(const QString& name) {
    Registry reg;
    return reg.OpenKey(keys::StateKey) && reg.ValueExists(name) ? reg.ReadString(name)
                                                                : QStringLiteral("<none>");
}

QString runValue() {
    Registry reg;
    return reg.OpenKey(keys::RunKey) && reg.ValueExists(keys::RunValue)
               ? reg.ReadString(keys::RunValue)
               : QStringLiteral("<none>");
}

QString page() {
    return QFileInfo(Form6->CppWebBrowser2->LocationURL()).fileName();
}

// One program run with a receiver on a free port that the settings file points at.
class UploadRun {
public:
    explicit UploadRun(TestEnvironment& env, ReceiverMode mode = ReceiverMode::Ok)
        : env_(env),
          store_(env.root() + QStringLiteral("/received.sqlite3")),
          server_(store_, mode) {
        LocalClock::setNow(kNow);
        server_.listen(0);
        pointAt(QStringLiteral("http://127.0.0.1:%1/orvex/register").arg(server_.port()));
        createForms();
        Form1->show();
        Form6->Timer1->setInterval(10);
    }
    ~UploadRun() { destroyForms(); }

    void pointAt(const QString& address) {
        env_.writeRegset(QStringLiteral("[OnlineRegist]\r\nASPURL=%1\r\n"
                                        "[RegFailMsg]\r\nline1=上傳失敗一\r\nline5=上傳失敗五\r\n"
                                        "[RegOkMsg]\r\nline1=上傳成功一\r\n")
                             .arg(address));
    }

    // The hand-over of an online registration: show the window, then put the string in.
    void upload(const QString& body = kBody) {
        Form1->hide();
        Form6->show();
        Form6->Edit1->setText(body);
    }

    static bool waitForOutcome() {
        return QTest::qWaitFor([] { return Form6->Panel4->isVisibleTo(Form6); }, 15000);
    }

    ReceiverServer& server() { return server_; }
    QList<RecordedPost> posts() { return store_.all(); }

private:
    TestEnvironment& env_;
    ReceiverStore store_;
    ReceiverServer server_;
};

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

void expectFailure(const QString& posted) {
    QCOMPARE(page(), QStringLiteral("upfail.htm"));
    QVERIFY(Form6->Panel2->isVisibleTo(Form6));
    QVERIFY(Form6->Panel3->isVisibleTo(Form6));
    QCOMPARE(Form6->Label1->text(), QStringLiteral("上傳失敗"));
    QCOMPARE(Form6->Label2->text(), QStringLiteral("上傳失敗一"));
    QCOMPARE(Form6->Label6->text(), QStringLiteral("上傳失敗五"));
    QCOMPARE(state(keys::UploadFail), QStringLiteral("y"));
    QCOMPARE(state(keys::RegStr), posted);
    QCOMPARE(runValue(), keys::NotifyCommand);
}

void expectSuccess() {
    QCOMPARE(page(), QStringLiteral("upsucss.htm"));
    QVERIFY(!Form6->Panel2->isVisibleTo(Form6));
    QVERIFY(!Form6->Panel3->isVisibleTo(Form6));
    QCOMPARE(Form6->Label1->text(), QStringLiteral("上傳成功"));
    QCOMPARE(Form6->Label2->text(), QStringLiteral("上傳成功一"));
    QCOMPARE(state(keys::UploadFail), QStringLiteral("n"));
    Registry reg;
    QVERIFY(reg.OpenKey(keys::StateKey));
    QCOMPARE(reg.ReadInteger(keys::VaccineInstalled), -1);
    QCOMPARE(state(keys::RegDate), QStringLiteral("2612091030"));
    QCOMPARE(runValue(), keys::NotifyHideCommand);
}

}  // namespace

class TestUpload : public QObject {
    Q_OBJECT
private slots:
    void layoutAndWindow() {
        TestEnvironment env(true);
        UploadRun run(env);
        QCOMPARE(Form6->size(), QSize(465, 373));
        QCOMPARE(Form6->windowTitle(), QStringLiteral("ORVEX產品註冊"));
        QVERIFY(!(Form6->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(Form6->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(Form6->CppWebBrowser2->geometry(), QRect(-2, -2, 497, 385));
        QCOMPARE(Form6->Panel4->geometry(), QRect(320, 296, 95, 25));
        QCOMPARE(page(), QStringLiteral("upload.htm"));
        // The page lies over the labels; the buttons over the page.
        const QObjectList order = Form6->children();
        QVERIFY(order.indexOf(Form6->CppWebBrowser2) > order.indexOf(Form6->Label6));
        QVERIFY(order.indexOf(Form6->Panel2) > order.indexOf(Form6->CppWebBrowser2));
    }

    void postsTheStringAndRecordsSuccess() {
        TestEnvironment env(true);
        UploadRun run(env);
        run.upload();
        QCOMPARE(Form6->Timer1->interval(), 10);
        QVERIFY(Form6->Timer1->isActive());
        QVERIFY(UploadRun::waitForOutcome());
        expectSuccess();
        QVERIFY(!Form6->Timer1->isActive());
        const QList<RecordedPost> posts = run.posts();
        QCOMPARE(posts.size(), 1);
        QCOMPARE(posts.front().method, QStringLiteral("POST"));
        QCOMPARE(posts.front().path, QStringLiteral("/orvex/register"));
        QCOMPARE(posts.front().body, cp950::encode(kBody));
        QVERIFY(
            posts.front().headers.contains("Content-Type: application/x-www-form-urlencoded\r\n"));
        // A further completion event leaves the same end state.
        const QString before = state(keys::RegDate) + runValue() + state(keys::UploadFail);
        Form6->CppWebBrowser1DocumentComplete();
        QCOMPARE(state(keys::RegDate) + runValue() + state(keys::UploadFail), before);
        QCOMPARE(env.boxes.count(), 0);
    }

    void theDelayIsTwoSeconds() {
        TestEnvironment env(true);
        createForms();
        QCOMPARE(Form6->Timer1->interval(), 2000);
        QVERIFY(!Form6->Timer1->isActive());
        Form6->show();
        QVERIFY(Form6->Timer1->isActive());
        destroyForms();
    }

    void failureByServerErrorThenReupload() {
        TestEnvironment env(true);
        UploadRun run(env, ReceiverMode::Error);
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        expectFailure(kBody);
        QCOMPARE(run.posts().size(), 1);
        // The server answers again: re-upload succeeds.
        run.server().setMode(ReceiverMode::Ok);
        QTest::mouseClick(Form6->Label10, Qt::LeftButton);
        QCOMPARE(page(), QStringLiteral("upload.htm"));
        QVERIFY(!Form6->Panel4->isVisibleTo(Form6));
        QCOMPARE(Form6->postFailed, 0);
        QVERIFY(UploadRun::waitForOutcome());
        expectSuccess();
        QCOMPARE(run.posts().size(), 2);
        QCOMPARE(run.posts().back().body, cp950::encode(kBody));
    }

    void failureByRefusedConnection() {
        TestEnvironment env(true);
        UploadRun run(env);
        run.pointAt(QStringLiteral("http://127.0.0.1:%1/orvex/register").arg(closedPort()));
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        expectFailure(kBody);
        QCOMPARE(run.posts().size(), 0);
    }

    void failureBySilence() {
        TestEnvironment env(true);
        TCppWebBrowser::setTransferTimeoutMs(400);
        UploadRun run(env, ReceiverMode::Silent);
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        expectFailure(kBody);
        QCOMPARE(run.posts().size(), 1);
    }

    void pagesComeFromTheInstallFolderWhenMissing() {
        TestEnvironment env;
        env.writeFile(QStringLiteral("program/upload.htm"), "p");
        QCOMPARE(pagePath(env.programFolder(), QStringLiteral("upfail.htm")),
                 env.programFolder() + QStringLiteral("/upfail.htm"));
        QVERIFY(QDir().mkpath(env.installFolder()));
        QCOMPARE(pagePath(env.programFolder(), QStringLiteral("upfail.htm")),
                 env.installFolder() + QStringLiteral("/upfail.htm"));
        QCOMPARE(pagePath(env.programFolder(), QStringLiteral("upload.htm")),
                 env.programFolder() + QStringLiteral("/upload.htm"));
    }

    void messageLinesOnlyFromTheProgramFolder() {
        TestEnvironment env(true);
        UploadRun run(env, ReceiverMode::Error);
        // The address is found through the install folder; the message lines are not.
        const QString address =
            QStringLiteral("http://127.0.0.1:%1/orvex/register").arg(run.server().port());
        QFile::remove(env.programFolder() + QStringLiteral("/regset.ini"));
        QVERIFY(QDir().mkpath(env.installFolder()));
        env.writeText(
            QStringLiteral("drive_c/Program Files/Quillmarsh/orvexreg/regset.ini"),
            QStringLiteral("[OnlineRegist]\r\nASPURL=%1\r\n[RegFailMsg]\r\nline1=安裝資料夾\r\n")
                .arg(address));
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        QCOMPARE(run.posts().size(), 1);
        QCOMPARE(Form6->Label1->text(), QStringLiteral("上傳失敗"));
        QCOMPARE(Form6->Label2->text(), QString());
    }

    void exitStartsTheReminderOnlyAfterARegistration() {
        TestEnvironment env(true);
        {
            UploadRun run(env, ReceiverMode::Error);
            run.upload();
            QVERIFY(UploadRun::waitForOutcome());
            Form6->Label7Click();
            QVERIFY(lifetime::endRequested());
            QVERIFY(env.launched.isEmpty());
        }
        lifetime::reset();
        UploadRun run(env);
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        QTest::mouseClick(Form6->Label12, Qt::LeftButton);
        QCOMPARE(env.launched,
                 (QList<QPair<QString, QString>>{{keys::NotifyProgram, QStringLiteral("hide")}}));
        QVERIFY(lifetime::endRequested());
        QVERIFY(!Form6->isVisible());
    }

    void missingStateKeyStillShowsTheOutcome() {
        TestEnvironment env(true);
        UploadRun run(env);
        // Another hive, with the Run value but without the state key.
        Hive::setPath(env.root() + QStringLiteral("/other.sqlite3"));
        {
            Registry reg;
            reg.OpenKey(keys::RunKey, true);
            reg.WriteString(keys::RunValue, keys::NotifyCommand);
        }
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        QCOMPARE(page(), QStringLiteral("upsucss.htm"));
        QCOMPARE(env.boxes.count(), 1);
        QCOMPARE(env.boxes.last().text, QStringLiteral("Failed to set data for 'uploadFail'"));
        QCOMPARE(env.boxes.last().icon, msg::Icon::Stop);
        // Nothing was written, the Run value not deleted either.
        QCOMPARE(runValue(), keys::NotifyCommand);
        QVERIFY(!Registry().KeyExists(keys::StateKey));
    }

    void nextStartOffersTheFailedUploadAgain() {
        TestEnvironment env(true);
        const QString posted = kBody + QStringLiteral("&FRD_y=2026");
        {
            UploadRun run(env, ReceiverMode::Error);
            run.upload(posted);
            QVERIFY(UploadRun::waitForOutcome());
            QCOMPARE(state(keys::UploadFail), QStringLiteral("y"));
            Form6->Label7Click();
        }
        lifetime::reset();
        env.boxes.answerYes();
        UploadRun run(env);
        QVERIFY(QTest::qWaitFor([] { return Form6->isVisible(); }, 5000));
        QCOMPARE(env.boxes.count(), 1);
        QVERIFY(!Form1->isVisible());
        QVERIFY(UploadRun::waitForOutcome());
        expectSuccess();
        QCOMPARE(run.posts().size(), 2);
        QCOMPARE(run.posts().back().body, cp950::encode(posted));
    }

    void successAfterAFirstRunThatStoppedEarly() {
        TestEnvironment env(true);
        // The first run stops at its missing file list, before the Run value is written.
        QFile::remove(env.programFolder() + QStringLiteral("/FileList.txt"));
        UploadRun run(env);
        QCOMPARE(env.boxes.count(), 1);
        QCOMPARE(runValue(), QStringLiteral("<none>"));
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        QCOMPARE(env.boxes.count(), 1);
        expectSuccess();
    }

    void aStringThatCannotBeSentFailsOnce() {
        TestEnvironment env(true);
        UploadRun run(env);
        run.upload(QStringLiteral("Name=\uFFFD"));
        QVERIFY(UploadRun::waitForOutcome());
        QTest::qWait(100);
        QCOMPARE(env.boxes.count(), 1);
        QVERIFY(env.boxes.last().text.contains(QStringLiteral("\uFFFD")));
        QVERIFY(!Form6->Timer1->isActive());
        QCOMPARE(page(), QStringLiteral("upfail.htm"));
        QVERIFY(Form6->Panel2->isVisibleTo(Form6));
        QCOMPARE(run.posts().size(), 0);
    }

    void exitWithADamagedDateStillLeaves() {
        TestEnvironment env(true);
        UploadRun run(env);
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        Registry reg;
        QVERIFY(reg.OpenKey(keys::StateKey));
        reg.WriteString(keys::RegDate, QStringLiteral("soon"));
        Form6->Label7Click();
        QCOMPARE(env.boxes.last().text, QStringLiteral("'soon' is not a valid integer value."));
        QVERIFY(lifetime::endRequested());
        QVERIFY(env.launched.isEmpty());
    }

    void buttonsLightenAndRestore() {
        TestEnvironment env(true);
        UploadRun run(env);
        const QImage plain = Form6->ProEffectImage7->Picture();
        expectHoverButtons({{Form6->Label10, Form6->ProEffectImage1},
                            {Form6->Label11, Form6->ProEffectImage2},
                            {Form6->Label12, Form6->ProEffectImage3}},
                           plain);
    }

    void switchToPrintEndsTheProgram() {
        TestEnvironment env(true);
        UploadRun run(env, ReceiverMode::Error);
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        QTest::mouseClick(Form6->Label11, Qt::LeftButton);
        QVERIFY(lifetime::endRequested());
        QVERIFY(QFileInfo(env.cardPdf()).size() > 0);
        QCOMPARE(runValue(), QStringLiteral("<none>"));
    }

    void cancelledPrintKeepsTheFailedUploadWindow() {
        TestEnvironment env(true);
        UploadRun run(env, ReceiverMode::Error);
        run.upload();
        QVERIFY(UploadRun::waitForOutcome());
        printing::setPdfOutput(QString());
        printing::setDialog([](QPrinter&, QWidget*) { return false; });
        Form6->Label8Click();
        QVERIFY(!lifetime::endRequested());
        QVERIFY(Form6->isVisible());
        QVERIFY(!Form6->Timer1->isActive());
        QVERIFY(Form6->Panel3->isVisibleTo(Form6));
        QCOMPARE(run.posts().size(), 1);
        QCOMPARE(runValue(), keys::NotifyCommand);
    }
};

QTEST_MAIN(TestUpload)
#include "tst_upload.moc"
