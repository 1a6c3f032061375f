#include "CoreTestEnvironment.h"
#include "platform/Files.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void mapsWindowsPaths() {
        CoreTestEnvironment env;
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

    void filesReadLinesAndCopyOver() {
        CoreTestEnvironment env;
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

    void shellStartIsSilentWhenTheProgramIsMissing() {
        shell::setLauncher({});
        shell::open(QStringLiteral("c:\\Program Files\\nowhere\\notify.exe"),
                    QStringLiteral("hide"));
        CoreTestEnvironment env;
        shell::open(QStringLiteral("c:\\x.exe"), QStringLiteral("hide"));
        QCOMPARE(env.launched.size(), 1);
        QCOMPARE(env.launched.front().second, QStringLiteral("hide"));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
