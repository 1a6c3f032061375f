#include "TestEnvironment.h"
#include "app/TForm1.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "core/Startup.h"
#include "platform/Files.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

const QDateTime kFirstStart(QDate(2005, 3, 7), QTime(14, 5, 9));

QString read(const QString& key, const QString& name) {
    Registry reg;
    return reg.OpenKey(key) && reg.ValueExists(name) ? reg.ReadString(name)
                                                     : QStringLiteral("<none>");
}

QString runValue() {
    return read(keys::RunKey, keys::RunValue);
}

QStringList filesIn(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::Files);
    names.sort();
    return names;
}

QByteArray content(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A program folder as delivered: the data files, a list of three of them, and the medium's
// chinese/orvexreg copy whose files say where they came from.
void deliver(const TestEnvironment& env, bool withList = true) {
    const QStringList listed = {QStringLiteral("index.htm"), QStringLiteral("regset.ini"),
                                QStringLiteral("upfail.htm")};
    if (withList) {
        env.writeFile(QStringLiteral("program/FileList.txt"),
                      listed.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
    } else {
        QFile::remove(env.programFolder() + QStringLiteral("/FileList.txt"));
    }
    for (const QString& name : listed) {
        env.writeFile(QStringLiteral("program/chinese/orvexreg/") + name,
                      "medium " + name.toLatin1());
    }
}

std::unique_ptr<TForm1> start() {
    return std::make_unique<TForm1>();
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init() { QDir::setCurrent(QDir::tempPath()); }

    void firstStartSetsEverythingUp() {
        TestEnvironment env(true);
        deliver(env);
        LocalClock::setNow(kFirstStart);
        auto form = start();
        QCOMPARE(env.boxes.count(), 0);
        Registry reg;
        QVERIFY(reg.KeyExists(QStringLiteral("software\\quillmarsh\\Nimbrel")));
        QCOMPARE(read(keys::StateKey, keys::FirstRunDate), QStringLiteral("2005/3/7 "));
        QCOMPARE(read(keys::StateKey, keys::FirstRunYear), QStringLiteral("2005"));
        QCOMPARE(read(keys::StateKey, keys::FirstRunMonth), QStringLiteral("3"));
        QCOMPARE(read(keys::StateKey, keys::FirstRunDay), QStringLiteral("7"));
        QVERIFY(reg.OpenKey(keys::StateKey));
        QCOMPARE(reg.ReadInteger(keys::VaccineInstalled), 1);
        QCOMPARE(runValue(), QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe"));
        // Started from another folder: the files come from the medium's chinese/orvexreg.
        QCOMPARE(filesIn(env.installFolder()),
                 QStringList({"index.htm", "regset.ini", "upfail.htm"}));
        QCOMPARE(content(env.installFolder() + QStringLiteral("/index.htm")),
                 QByteArray("medium index.htm"));
        QCOMPARE(form->windowTitle(), QStringLiteral("ORVEX產品註冊"));
        QCOMPARE(form->CppWebBrowser1->LocationURL(),
                 env.programFolder() + QStringLiteral("/index.htm"));
        QCOMPARE(form->ProgramFolder(), env.programFolder());
    }

    void laterStartChangesNothing() {
        TestEnvironment env(true);
        deliver(env);
        LocalClock::setNow(kFirstStart);
        start();
        const QString before = TestEnvironment::hiveDump();
        QFile::remove(env.installFolder() + QStringLiteral("/upfail.htm"));
        LocalClock::setNow(kFirstStart.addDays(1));
        auto form = start();
        QCOMPARE(TestEnvironment::hiveDump(), before);
        QCOMPARE(filesIn(env.installFolder()), QStringList({"index.htm", "regset.ini"}));
        QCOMPARE(form->CppWebBrowser1->LocationURL(),
                 env.programFolder() + QStringLiteral("/index.htm"));
        // A deleted Run value comes back in its first form, and only that.
        Registry run;
        QVERIFY(run.OpenKey(keys::RunKey));
        run.DeleteValue(keys::RunValue);
        start();
        QCOMPARE(runValue(), QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe"));
        QCOMPARE(env.launched.size(), 0);
    }

    void startedInThePackageFolderCopiesFromThere() {
        TestEnvironment env(true);
        deliver(env);
        QVERIFY(QDir::setCurrent(env.programFolder()));
        start();
        QCOMPARE(content(env.installFolder() + QStringLiteral("/index.htm")),
                 content(env.programFolder() + QStringLiteral("/index.htm")));
        QVERIFY(content(env.installFolder() + QStringLiteral("/index.htm")).startsWith("<html"));
    }

    void makerFolderWithoutInstallFolder() {
        TestEnvironment env(true);
        deliver(env);
        QVERIFY(QDir().mkpath(env.makerFolder()));
        auto form = start();
        QCOMPARE(env.boxes.count(), 0);
        QVERIFY(!QFileInfo::exists(env.installFolder()));
        QCOMPARE(form->CppWebBrowser1->LocationURL(),
                 env.programFolder() + QStringLiteral("/index.htm"));
        QCOMPARE(runValue(), QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe"));
    }

    void missingFileListStopsTheSequence() {
        TestEnvironment env(true);
        deliver(env, false);
        auto form = start();
        QCOMPARE(env.boxes.count(), 1);
        QCOMPARE(env.boxes.last().text,
                 QStringLiteral("Cannot open file %1/FileList.txt.").arg(env.programFolder()));
        QCOMPARE(env.boxes.last().icon, msg::Icon::Stop);
        QCOMPARE(read(keys::StateKey, keys::FirstRunYear),
                 QString::number(QDate::currentDate().year()));
        QCOMPARE(form->CppWebBrowser1->LocationURL(), QString());
        QCOMPARE(runValue(), QStringLiteral("<none>"));
        // The first run is over: a later start with the list does not copy.
        deliver(env);
        env.boxes.clear();
        start();
        QCOMPARE(env.boxes.count(), 0);
        QCOMPARE(filesIn(env.installFolder()), QStringList());
    }

    void installFolderThatCannotBeMade() {
        TestEnvironment env(true);
        deliver(env);
        // "Program Files" is a file here, so no folder can be made inside it.
        env.writeFile(QStringLiteral("drive_c/Program Files"), "x");
        auto form = start();
        QCOMPARE(env.boxes.texts(), QStringList({"Cannot create directory."}));
        QCOMPARE(form->CppWebBrowser1->LocationURL(), QString());
        QCOMPARE(runValue(), QStringLiteral("<none>"));
        QCOMPARE(read(keys::StateKey, keys::FirstRunYear),
                 QString::number(QDate::currentDate().year()));
    }

    // The install folder is put in place whatever renaming without replacing answers and
    // whatever another start put there first; a hive another program holds leaves the page.
    void startsWholeOnEveryFileSystem() {
        const std::tuple<int, const char*> rows[] = {
            {EINVAL, nullptr}, {EEXIST, "/orvexreg"}, {EINVAL, "/orvexreg"}, {EEXIST, ""}};
        for (const auto& [refusal, concurrent] : rows) {
            TestEnvironment env(true);
            deliver(env);
            files::setRenameNoReplace([&](const QString&, const QString& to) {
                if (concurrent != nullptr) {
                    QDir().mkpath(to + concurrent);
                }
                return refusal;
            });
            start();
            const bool made = concurrent == nullptr || *concurrent != '\0';
            QCOMPARE(env.boxes.count(), made ? 0 : 1);
            QCOMPARE(filesIn(env.installFolder()).size(), made ? 3 : 0);
            QCOMPARE(QDir(env.driveC() + QStringLiteral("/Program Files"))
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList({"Quillmarsh"}));
        }
        TestEnvironment env(true);
        deliver(env);
        start();
        Hive::setPath(env.hivePath());  // the next start opens the file afresh
        sqlite3* holder = nullptr;
        sqlite3_open(QFile::encodeName(env.hivePath()).constData(), &holder);
        sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr,
                     nullptr);
        auto form = start();
        QSignalSpy done(form->CppWebBrowser1, &TCppWebBrowser::DocumentComplete);
        QVERIFY(done.wait());  // the page completes without asking the held hive again
        sqlite3_close(holder);
        QCOMPARE(env.boxes.count(), 1);
        QVERIFY(env.boxes.last().text.endsWith(": another program holds the file locked)"));
        QCOMPARE(form->CppWebBrowser1->LocationURL(),
                 env.programFolder() + QStringLiteral("/index.htm"));
    }

    void upgradeWithoutAFileList() {
        TestEnvironment env(true);
        deliver(env);
        start();
        deliver(env, false);
        env.writeText(QStringLiteral("drive_c/Program Files/Quillmarsh/orvexreg/regset.ini"),
                      QStringLiteral("[version]\r\nverNo=3.00\r\n"));
        env.writeRegset(QStringLiteral("[version]\r\nTitle=新標題\r\n"));
        auto form = start();
        QCOMPARE(env.boxes.count(), 1);
        QVERIFY(env.boxes.last().text.startsWith(QStringLiteral("Cannot open file ")));
        // Stopped before the caption: the layout's caption stays.
        QCOMPARE(form->windowTitle(), QStringLiteral("ORVEX註冊程式"));
        env.writeRegset(QStringLiteral("[version]\r\nTitle=新標題\r\n"));
        QFile::remove(env.installFolder() + QStringLiteral("/regset.ini"));
        QCOMPARE(start()->windowTitle(), QStringLiteral("新標題"));
    }

    void linesThatLeaveTheirFolderAreNotCopied() {
        QCOMPARE(startup::listedName("index.htm"), QStringLiteral("index.htm"));
        QCOMPARE(startup::listedName("sub\\page.htm"), QStringLiteral("sub/page.htm"));
        QCOMPARE(startup::listedName("\xB3\x5C.htm"), QStringLiteral("許.htm"));
        for (const QByteArray& bad :
             {QByteArray("../x"), QByteArray("a\\..\\..\\x"), QByteArray("/etc/passwd"),
              QByteArray("c:\\x.ini"), QByteArray("\\\\server\\x")}) {
            QVERIFY2(!startup::listedName(bad).has_value(), bad.constData());
        }
        TestEnvironment env(true);
        deliver(env);
        env.writeFile(QStringLiteral("program/FileList.txt"), "../secret\r\nindex.htm\r\n\r\n");
        env.writeFile(QStringLiteral("program/chinese/secret"), "outside");
        start();
        QCOMPARE(env.boxes.count(), 0);
        QCOMPARE(filesIn(env.installFolder()), QStringList({"index.htm"}));
        QVERIFY(!QFileInfo::exists(env.makerFolder() + QStringLiteral("/secret")));
    }

    void upgradeWithASavedRegistration() {
        TestEnvironment env(true);
        deliver(env);
        LocalClock::setNow(kFirstStart);
        start();
        {
            Registry reg;
            QVERIFY(reg.OpenKey(keys::StateKey));
            reg.WriteString(keys::Name, QStringLiteral("王小明"));
        }
        env.writeText(QStringLiteral("drive_c/Program Files/Quillmarsh/orvexreg/regset.ini"),
                      QStringLiteral("[version]\r\nverNo=3.00\r\n"));
        LocalClock::setNow(QDateTime(QDate(2012, 12, 1), QTime(9, 30, 5)));
        start();
        QCOMPARE(env.boxes.count(), 0);
        QCOMPARE(read(keys::StateKey, keys::FirstRunDate), QStringLiteral("2012/12/1 "));
        QCOMPARE(read(keys::StateKey, keys::FirstRunMonth), QStringLiteral("12"));
        QCOMPARE(read(keys::StateKey, keys::RegDate), QStringLiteral("1212010930"));
        QCOMPARE(runValue(),
                 QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe hide"));
        QCOMPARE(env.launched,
                 (QList<QPair<QString, QString>>{{keys::NotifyProgram, QStringLiteral("hide")}}));
        // The program folder's files went over the installation, the newer regset.ini too.
        QCOMPARE(content(env.installFolder() + QStringLiteral("/regset.ini")),
                 content(env.programFolder() + QStringLiteral("/regset.ini")));
        env.launched.clear();
        start();
        QCOMPARE(env.launched.size(), 0);  // 3.5 installed now: no further upgrade
    }

    void upgradeWithoutASavedRegistration() {
        TestEnvironment env(true);
        deliver(env);
        start();
        {
            Registry reg;
            QVERIFY(reg.OpenKey(keys::RunKey));
            reg.WriteString(keys::RunValue, keys::NotifyHideCommand);
        }
        env.writeText(QStringLiteral("drive_c/Program Files/Quillmarsh/orvexreg/regset.ini"),
                      QStringLiteral("[version]\r\nverNo=3.00\r\n"));
        start();
        QCOMPARE(runValue(), QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe"));
        QCOMPARE(read(keys::StateKey, keys::RegDate), QStringLiteral("<none>"));
        QCOMPARE(env.launched.size(), 0);
    }

    void newUserBesideAnOlderInstallation() {
        TestEnvironment env(true);
        deliver(env);
        env.writeText(QStringLiteral("drive_c/Program Files/Quillmarsh/orvexreg/regset.ini"),
                      QStringLiteral("[version]\r\nverNo=3.00\r\n"));
        LocalClock::setNow(kFirstStart);
        auto form = start();
        QCOMPARE(env.boxes.count(), 0);
        QCOMPARE(read(keys::StateKey, keys::FirstRunYear), QStringLiteral("2005"));
        QCOMPARE(runValue(), QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe"));
        QCOMPARE(form->windowTitle(), QStringLiteral("ORVEX產品註冊"));
        // The upgrade refreshed the files; the first run's copies came after.
        QCOMPARE(content(env.installFolder() + QStringLiteral("/regset.ini")),
                 QByteArray("medium regset.ini"));
    }

    // The program is killed while it copies the listed files, at several of them in turn: the
    // first run is not recorded, so the next start does it again and fills the folder.
    void aFirstStartKilledWhileCopyingIsDoneAgain() {
        TestEnvironment env(true);
        const QString medium = env.root() + QStringLiteral("/medium");
        const QString list = env.programFolder() + QStringLiteral("/FileList.txt");
        QStringList listed;
        const QList<QByteArray> lines = files::readLines(list).value();
        for (const QByteArray& line : lines) {
            listed.append(QString::fromLatin1(line));
            env.writeFile(QStringLiteral("medium/") + listed.last(), "medium " + line);
        }
        env.writeFile(QStringLiteral("medium/FileList.txt"), content(list));
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("ORVEXREG_HIVE"), env.hivePath());
        e.insert(QStringLiteral("ORVEXREG_DRIVE_C"), env.driveC());
        for (const qsizetype at : {listed.size() / 2, listed.size() - 1}) {
            // Reading a pipe holds the copy at that file until the test kills the program.
            const QString held = medium + u'/' + listed[at];
            QVERIFY(QFile::remove(held));
            QVERIFY(::mkfifo(QFile::encodeName(held).constData(), 0600) == 0);
            QProcess p;
            p.setProcessEnvironment(e);
            p.setWorkingDirectory(medium);
            p.start(QStringLiteral(ORVEX_BUILD_OUT "/orvexreg"), {});
            int writer = -1;
            QVERIFY(QTest::qWaitFor(
                [&] {
                    writer = ::open(QFile::encodeName(held).constData(), O_WRONLY | O_NONBLOCK);
                    return writer >= 0;
                },
                60000));
            p.kill();
            QVERIFY(p.waitForFinished(30000));
            ::close(writer);
            QVERIFY(!Registry().KeyExists(keys::StateKey));
            QVERIFY(QFile::remove(held));
            env.writeFile(QStringLiteral("medium/") + listed[at],
                          "medium " + listed[at].toLatin1());
        }
        QVERIFY(QDir::setCurrent(medium));
        start();
        QCOMPARE(env.boxes.count(), 0);
        QCOMPARE(read(keys::StateKey, keys::FirstRunYear),
                 QString::number(QDate::currentDate().year()));
        listed.sort();
        QCOMPARE(filesIn(env.installFolder()), listed);
        QCOMPARE(content(env.installFolder() + u'/' + listed.last()),
                 "medium " + listed.last().toLatin1());
    }

    void anArgumentEndsTheProgramAndWritesNothing() {
        TestEnvironment env;
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("ORVEXREG_HIVE"), env.hivePath());
        e.insert(QStringLiteral("ORVEXREG_DRIVE_C"), env.driveC() + QStringLiteral("/fresh"));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(ORVEX_BUILD_OUT "/orvexreg"), {QStringLiteral("/?")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(env.hivePath()));
        QVERIFY(!QFileInfo::exists(env.driveC() + QStringLiteral("/fresh")));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
