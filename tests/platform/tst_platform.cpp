#include "TestEnvironment.h"
#include "platform/Application.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/JobFate.h"
#include "platform/LocalClock.h"
#include "platform/MessageBoxes.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(printing::JobState)
Q_DECLARE_METATYPE(printing::JobFate)

namespace {

// A widget whose handler fails, as a window's handler does when the hive refuses a write.
class Failing : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw Error(QStringLiteral("Failed to set data for 'isRemind'"));
        }
        return QObject::event(e);
    }
};

}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void mapsWindowsPaths() {
        TestEnvironment env;
        QCOMPARE(
            paths::local(QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe")),
            env.driveC() + QStringLiteral("/Program Files/Quillmarsh/orvexreg/notify.exe"));
        QCOMPARE(paths::local(QStringLiteral("C:\\x")), env.driveC() + QStringLiteral("/x"));
        QCOMPARE(paths::join(QStringLiteral("/a/"), QStringLiteral("b")), QStringLiteral("/a/b"));
        // No length limit on the program folder.
        const QString deep = env.root() + u'/' + QString(300, u'd');
        paths::setProgramFolder(deep);
        QCOMPARE(paths::exePath(), deep + u'/');
        paths::setProgramFolder(QString());
        QVERIFY(paths::programFolder().size() > 1 && !paths::programFolder().endsWith(u'/'));
    }

    void defaultLocationsFollowTheEnvironment() {
        qputenv("ORVEXREG_DRIVE_C", "/tmp/some/drive");
        QCOMPARE(paths::driveC(), QStringLiteral("/tmp/some/drive"));
        qunsetenv("ORVEXREG_DRIVE_C");
        QVERIFY(paths::driveC().endsWith(QStringLiteral("/orvexreg/drive_c")));
    }

    void formatsDatesAsTaiwanDoes() {
        QCOMPARE(LocalClock::shortDate(QDate(2005, 3, 7)), QStringLiteral("2005/3/7"));
        QCOMPARE(LocalClock::shortDate(QDate(2012, 12, 1)), QStringLiteral("2012/12/1"));
        QCOMPARE(LocalClock::longTime(QTime(9, 5, 3)), QStringLiteral("09:05:03"));
        LocalClock::setNow(QDateTime(QDate(2005, 3, 7), QTime(14, 5)));
        QCOMPARE(LocalClock::today(), QDate(2005, 3, 7));
        LocalClock::reset();
        QVERIFY(LocalClock::today() != QDate(2005, 3, 7));
    }

    void errorBoxAddsAPeriodOnlyAfterHigherCharacters() {
        QCOMPARE(msg::errorText(QStringLiteral("Cannot create directory.")),
                 QStringLiteral("Cannot create directory."));
        QCOMPARE(msg::errorText(QStringLiteral("Cannot open file /x/FileList.txt")),
                 QStringLiteral("Cannot open file /x/FileList.txt."));
        QCOMPARE(msg::errorText(QStringLiteral("'' is not a valid integer value")),
                 QStringLiteral("'' is not a valid integer value."));
        QCOMPARE(msg::errorText(QStringLiteral("資料錯誤")), QStringLiteral("資料錯誤."));
        QCOMPARE(msg::errorText(QStringLiteral("(x)")), QStringLiteral("(x)"));
        QCOMPARE(msg::errorText(QStringLiteral("a-")), QStringLiteral("a-"));
        QCOMPARE(msg::errorText(QString()), QString());
    }

    void handlerErrorsAreShownAndTheProgramGoesOn() {
        TestEnvironment env;
        Failing failing;
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(env.boxes.count(), 2);
        const auto& box = env.boxes.last();
        QCOMPARE(box.text, QStringLiteral("Failed to set data for 'isRemind'"));
        QCOMPARE(box.caption, QStringLiteral("tst_platform"));
        QCOMPARE(box.icon, msg::Icon::Stop);
        QCOMPARE(box.buttons, msg::Buttons::Ok);
        msg::reportErrors([] { throw Error(QStringLiteral("Cannot create directory.")); });
        QCOMPARE(env.boxes.last().text, QStringLiteral("Cannot create directory."));
    }

    void filesReadLinesAndCopyOver() {
        TestEnvironment env;
        env.writeFile(QStringLiteral("list.txt"), QByteArray("a\r\nb\rc\n\nd"));
        const auto lines = files::readLines(env.root() + QStringLiteral("/list.txt"));
        QVERIFY(lines.has_value());
        QCOMPARE(*lines, QList<QByteArray>({"a", "b", "c", "", "d"}));
        QVERIFY(!files::readLines(env.root() + QStringLiteral("/none")).has_value());

        env.writeFile(QStringLiteral("from"), QByteArray("new"));
        env.writeFile(QStringLiteral("to"), QByteArray("old content"));
        QVERIFY(files::copyFile(env.root() + QStringLiteral("/from"),
                                env.root() + QStringLiteral("/to")));
        QCOMPARE(*files::readAll(env.root() + QStringLiteral("/to")), QByteArray("new"));
        QVERIFY(!files::copyFile(env.root() + QStringLiteral("/none"),
                                 env.root() + QStringLiteral("/to")));
        QVERIFY(!files::copyFile(env.root() + QStringLiteral("/from"),
                                 env.root() + QStringLiteral("/no/dir/x")));
        QVERIFY(!files::copyFile(env.root() + QStringLiteral("/from"), env.root()));

        // A program copied stays a program.
        QFile::setPermissions(env.root() + QStringLiteral("/from"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(files::copyFile(env.root() + QStringLiteral("/from"),
                                env.root() + QStringLiteral("/prog")));
        QVERIFY(QFileInfo(env.root() + QStringLiteral("/prog")).isExecutable());

        QVERIFY(files::createFolder(env.root() + QStringLiteral("/one")));
        QVERIFY(!files::createFolder(env.root() + QStringLiteral("/two/levels")));
        QVERIFY(files::folderExists(env.root() + QStringLiteral("/one")));
        QVERIFY(!files::fileExists(env.root() + QStringLiteral("/one")));
        QVERIFY(QDir::setCurrent(env.root()));
        QVERIFY(files::fileExists(QStringLiteral("from")));
    }

    // The application as the program makes it: the toolkit's own words are Chinese under any
    // locale (the tests run under C), and the desktop knows it by the menu entry's id.
    void applicationSpeaksChineseAndIsKnownToTheDesktop() {
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("com.quillmarsh.orvexreg"));
        QVERIFY(!QApplication::windowIcon().isNull());
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
        QString words = box.button(QMessageBox::Ok)->text() + box.button(QMessageBox::Yes)->text() +
                        box.button(QMessageBox::No)->text();
        QLineEdit edit;
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        for (const QAction* action : menu->actions()) {
            words += action->text();
        }
        for (const char16_t* word : {u"確定", u"是", u"否", u"貼上"}) {
            QVERIFY2(words.contains(QString::fromUtf16(word)), qPrintable(words));
        }
    }

    // Only the buttons answer a question, Escape and the close box still close a message; the
    // box belongs to the window that raised it.
    void questionsAnswerOnlyByTheirButtons() {
        QWidget window;
        window.show();
        const std::pair<msg::Buttons, msg::Answer> cases[] = {
            {msg::Buttons::YesNo, msg::Answer::Yes},
            {msg::Buttons::YesNo, msg::Answer::No},
            {msg::Buttons::Ok, msg::Answer::Ok}};
        for (const auto& [buttons, answer] : cases) {
            QWidget* parent = nullptr;
            bool keptOpen = false;
            QTimer::singleShot(0, [&, answer = answer] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                parent = box->parentWidget();
                QTest::keyClick(box, Qt::Key_Escape);
                keptOpen = box->isVisible() && !box->close();
                QTest::keyClick(box, answer == msg::Answer::Yes ? Qt::Key_Y : Qt::Key_N);
            });
            QCOMPARE(msg::boxes().show(QStringLiteral("是否繼續註冊其他產品"),
                                       QStringLiteral("註冊"), msg::Icon::None, buttons),
                     answer);
            QCOMPARE(keptOpen, buttons == msg::Buttons::YesNo);
            QCOMPARE(parent, &window);
        }
    }

    void shellStartIsSilentWhenTheProgramIsMissing() {
        shell::setLauncher({});
        shell::open(QStringLiteral("c:\\Program Files\\nowhere\\notify.exe"),
                    QStringLiteral("hide"));
        TestEnvironment env;
        shell::open(QStringLiteral("c:\\x.exe"), QStringLiteral("hide"));
        QCOMPARE(env.launched.size(), 1);
        QCOMPARE(env.launched.front().second, QStringLiteral("hide"));
    }

    // A spooler job that fails while it is followed is no card; one still waiting at the end
    // of the watch is printed, as the spooler will print it.
    void jobFateFollowsTheState_data() {
        using printing::JobFate;
        using printing::JobState;
        QTest::addColumn<JobState>("state");
        QTest::addColumn<int>("elapsed");  // ms since the job was handed over
        QTest::addColumn<JobFate>("fate");
        const int watch = int(printing::JobWatch.count());
        QTest::newRow("done at once") << JobState::Completed << 0 << JobFate::Printed;
        QTest::newRow("aborted") << JobState::Aborted << 300 << JobFate::Failed;
        QTest::newRow("canceled") << JobState::Canceled << 300 << JobFate::Failed;
        QTest::newRow("stopped") << JobState::Stopped << 300 << JobFate::Failed;
        QTest::newRow("no such job") << JobState::Missing << 0 << JobFate::Failed;
        QTest::newRow("aborted late") << JobState::Aborted << watch * 2 << JobFate::Failed;
        QTest::newRow("pending") << JobState::Pending << 1000 << JobFate::Open;
        QTest::newRow("processing") << JobState::Processing << watch - 1 << JobFate::Open;
        QTest::newRow("processing at the end") << JobState::Processing << watch << JobFate::Printed;
        QTest::newRow("held at the end") << JobState::Held << watch + 200 << JobFate::Printed;
    }
    void jobFateFollowsTheState() {
        QFETCH(printing::JobState, state);
        QFETCH(int, elapsed);
        QFETCH(printing::JobFate, fate);
        QCOMPARE(printing::jobFate(state, std::chrono::milliseconds(elapsed)), fate);
    }
};

int main(int argc, char** argv) {
    Application app(argc, argv);
    TestPlatform test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_platform.moc"
