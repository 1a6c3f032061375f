#include "CoreTestEnvironment.h"
#include "core/Cp950.h"
#include "core/Registry.h"
#include "platform/Error.h"
#include "platform/Hive.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <memory>
#include <vector>

namespace {

const QString kState = QStringLiteral("software\\quillmarsh\\OXReg");

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

bool chinese(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

struct ReadOnlyFolder {
    QString folder;
    bool holds = setReadOnly(folder, true);
    ~ReadOnlyFolder() { setReadOnly(folder, false); }
};

QString integrity(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr);
    QString result;
    if (sqlite3_step(s) == SQLITE_ROW) {
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return result;
}

}  // namespace

class TestHive : public QObject {
    Q_OBJECT
private slots:
    void opensWithoutCreating() {
        CoreTestEnvironment env;
        Registry reg;
        QVERIFY(!reg.OpenKey(kState));
        QVERIFY(!reg.HasCurrentKey());
        QVERIFY(!reg.KeyExists(kState));
        QVERIFY(!reg.ValueExists(QStringLiteral("name")));
        QCOMPARE(reg.ReadString(QStringLiteral("name")), QString());
        // Reading never makes a hive file.
        QVERIFY(!QFile::exists(env.hivePath()));
        QCOMPARE(errorOf([&] { reg.WriteString(QStringLiteral("name"), QStringLiteral("x")); }),
                 QStringLiteral("Failed to set data for 'name'"));
        QCOMPARE(errorOf([&] { reg.WriteInteger(QStringLiteral("n"), 1); }),
                 QStringLiteral("Failed to set data for 'n'"));
        QCOMPARE(errorOf([&] { reg.ReadInteger(QStringLiteral("n")); }),
                 QStringLiteral("Failed to get data for 'n'"));
        reg.DeleteValue(QStringLiteral("name"));
    }

    void createsAndOpensRelatively() {
        CoreTestEnvironment env;
        Registry reg;
        QVERIFY(reg.OpenKey(QStringLiteral("software"), true));
        reg.CreateKey(QStringLiteral("quillmarsh\\OXReg"));
        reg.CreateKey(QStringLiteral("quillmarsh\\Nimbrel"));
        // Relative to the open key, and from the root with a leading backslash.
        QVERIFY(reg.KeyExists(QStringLiteral("quillmarsh\\oxreg")));
        QVERIFY(reg.KeyExists(QStringLiteral("\\SOFTWARE\\Quillmarsh\\Nimbrel")));
        QVERIFY(reg.OpenKey(QStringLiteral("QUILLMARSH\\oxreg")));
        reg.WriteString(QStringLiteral("Name"), QStringLiteral("王小明"));
        reg.CloseKey();
        QVERIFY(reg.OpenKey(kState));
        QVERIFY(reg.ValueExists(QStringLiteral("NAME")));
        QCOMPARE(reg.ReadString(QStringLiteral("name")), QStringLiteral("王小明"));
        QVERIFY(!reg.OpenKey(QStringLiteral("nothing")));
        QVERIFY(!reg.ValueExists(QStringLiteral("name")));
    }

    void storesTypesExactly() {
        CoreTestEnvironment env;
        Registry reg;
        QVERIFY(reg.OpenKey(kState, true));
        // 許 and 功 end in 0x5C, the byte of a backslash.
        reg.WriteString(QStringLiteral("addr"), QStringLiteral("許功路1號"));
        QCOMPARE(reg.ReadBytes(QStringLiteral("addr")), cp950::encode(QStringLiteral("許功路1號")));
        reg.WriteInteger(QStringLiteral("VaccineInstalled"), -1);
        reg.WriteInteger(QStringLiteral("min"), std::numeric_limits<int>::min());
        QCOMPARE(reg.ReadInteger(QStringLiteral("vaccineinstalled")), -1);
        QCOMPARE(reg.ReadInteger(QStringLiteral("min")), std::numeric_limits<int>::min());
        QCOMPARE(errorOf([&] { reg.ReadString(QStringLiteral("min")); }),
                 QStringLiteral("Invalid data type for 'min'"));
        QCOMPARE(errorOf([&] { reg.ReadInteger(QStringLiteral("addr")); }),
                 QStringLiteral("Invalid data type for 'addr'"));
        // Writing replaces the type as well.
        reg.WriteString(QStringLiteral("min"), QString());
        QCOMPARE(reg.ReadString(QStringLiteral("min")), QString());
        QVERIFY(reg.ValueExists(QStringLiteral("min")));
        // A type the program never writes (binary, from the tool) is an invalid type.
        Hive::instance().writeValue(*Hive::instance().findKey(Hive::kRoot, kState),
                                    QStringLiteral("bin"), Hive::Binary, QByteArray("\x01\x02"));
        QCOMPARE(errorOf([&] { reg.ReadString(QStringLiteral("bin")); }),
                 QStringLiteral("Invalid data type for 'bin'"));
        QCOMPARE(errorOf([&] { reg.ReadInteger(QStringLiteral("bin")); }),
                 QStringLiteral("Invalid data type for 'bin'"));
        // A text CP950 cannot hold is refused, not stored as "?".
        QVERIFY(errorOf([&] {
                    reg.WriteString(QStringLiteral("addr"), QStringLiteral("堃"));
                }).contains(QStringLiteral("堃")));
        QCOMPARE(reg.ReadString(QStringLiteral("addr")), QStringLiteral("許功路1號"));
        reg.DeleteValue(QStringLiteral("ADDR"));
        reg.DeleteValue(QStringLiteral("addr"));
        QVERIFY(!reg.ValueExists(QStringLiteral("addr")));
        // Durable: a new connection reads what was written.
        Hive::setPath(QString());
        Hive::setPath(env.hivePath());
        reg.CloseKey();
        QVERIFY(reg.OpenKey(kState));
        QCOMPARE(reg.ReadInteger(QStringLiteral("VaccineInstalled")), -1);
    }

    void unusableHivesAreNamedInChinese() {
        CoreTestEnvironment env;
        // The error names the file and the place at fault, in Chinese, and changes nothing.
        const auto refusal = [&](const QString& hive, const QString& where) {
            Hive::setPath(hive);
            Registry reg;
            const QString message = errorOf([&] { reg.OpenKey(kState, true); });
            Hive::setPath(QString());
            // The detail line ends in a parenthesis, after which the error box adds no period.
            return message.contains(hive) && message.contains(where) && chinese(message) &&
                           message.endsWith(u')')
                       ? QString()
                       : message;
        };
        // A folder where the file should be.
        QDir().mkpath(env.hivePath());
        QCOMPARE(refusal(env.hivePath(), env.hivePath()), QString());

        // A parent that is a file.
        env.writeFile(QStringLiteral("plain"), "keep");
        const QString plain = env.root() + QStringLiteral("/plain");
        QCOMPARE(refusal(plain + QStringLiteral("/hkcu.sqlite3"), plain), QString());
        QCOMPARE(fileBytes(plain), QByteArray("keep"));

        // A folder that cannot be written, with a hive in it and without.
        const QString folder = env.root() + QStringLiteral("/ro");
        const QString kept = folder + QStringLiteral("/hkcu.sqlite3");
        Hive::setPath(kept);
        QVERIFY(Registry().OpenKey(kState, true));
        Hive::setPath(QString());
        const QByteArray before = fileBytes(kept);
        {
            ReadOnlyFolder readOnly{folder};
            if (readOnly.holds) {
                QCOMPARE(refusal(kept, folder), QString());
                QCOMPARE(refusal(folder + QStringLiteral("/new.sqlite3"), folder), QString());
                QVERIFY(!QFile::exists(folder + QStringLiteral("/new.sqlite3")));
            } else {
                qWarning("this user can write into any folder: read-only case not tried");
            }
        }
        QCOMPARE(fileBytes(kept), before);

        // Another process holding the write lock: reported after a few seconds, not a minute.
        const QString held = env.root() + QStringLiteral("/held.sqlite3");
        QProcess holder;
        holder.start(QStringLiteral(HIVE_WRITER),
                     {held, QStringLiteral("hold"), QStringLiteral("600")});
        QVERIFY(holder.waitForReadyRead(30000));
        const QByteArray heldBefore = fileBytes(held);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(refusal(held, held), QString());
        QVERIFY(waited.elapsed() < 30000);
        QCOMPARE(fileBytes(held), heldBefore);
        ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
        QVERIFY(holder.waitForFinished(30000));
        Hive::setPath(held);
        QVERIFY(!Registry().KeyExists(kState));
    }

    void personalDataStaysPrivate() {
        CoreTestEnvironment env;
        const QString folder = env.root() + QStringLiteral("/own/orvexreg");
        const QString hive = folder + QStringLiteral("/hkcu.sqlite3");
        Hive::setPath(hive);
        Registry reg;
        QVERIFY(reg.OpenKey(kState, true));
        reg.WriteString(QStringLiteral("personalid"), QStringLiteral("A123456789"));
        QCOMPARE(mode(env.root() + QStringLiteral("/own")), 0700);
        QCOMPARE(mode(folder), 0700);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            QCOMPARE(mode(hive + QString::fromLatin1(suffix)), 0600);
        }
        // A file made looser by hand is narrowed again when next opened.
        Hive::setPath(QString());
        ::chmod(QFile::encodeName(hive).constData(), 0644);
        Hive::setPath(hive);
        QVERIFY(Registry().OpenKey(kState));
        QCOMPARE(mode(hive), 0600);
    }

    void transactionIsAllOrNothing() {
        CoreTestEnvironment env;
        Registry reg;
        QVERIFY(reg.OpenKey(kState, true));
        reg.WriteString(QStringLiteral("keep"), QStringLiteral("old"));
        try {
            HiveTransaction transaction;
            reg.WriteString(QStringLiteral("keep"), QStringLiteral("new"));
            reg.WriteInteger(QStringLiteral("ProductCount"), 3);
            reg.WriteString(QStringLiteral("bad"), QStringLiteral("😀"));
            transaction.commit();
            QFAIL("the bad write went through");
        } catch (const Error&) {
        }
        QCOMPARE(reg.ReadString(QStringLiteral("keep")), QStringLiteral("old"));
        QVERIFY(!reg.ValueExists(QStringLiteral("ProductCount")));
        {
            HiveTransaction outer;
            {
                HiveTransaction inner;
                reg.WriteInteger(QStringLiteral("ProductCount"), 4);
                inner.commit();
            }
            reg.WriteString(QStringLiteral("keep"), QStringLiteral("new"));
            outer.commit();
        }
        QCOMPARE(reg.ReadInteger(QStringLiteral("ProductCount")), 4);
        QCOMPARE(reg.ReadString(QStringLiteral("keep")), QStringLiteral("new"));
    }

    void foreignAndDamagedFilesAreLeftAlone() {
        CoreTestEnvironment env;
        const auto check = [&](const QByteArray& content) {
            QFile f(env.hivePath());
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(content);
            f.close();
            Hive::setPath(QString());
            Hive::setPath(env.hivePath());
            Registry reg;
            const QString message =
                errorOf([&] { reg.OpenKey(QStringLiteral("software\\quillmarsh"), true); });
            QVERIFY2(message.contains(env.hivePath()) && chinese(message), qPrintable(message));
            QVERIFY2(errorOf([&] { reg.OpenKey(kState); }).contains(env.hivePath()),
                     "reads must fail too");
            QCOMPARE(fileBytes(env.hivePath()), content);
        };
        check(QByteArray("[HKEY_CURRENT_USER]\nnot a hive\n"));
        check(QByteArray(4096, '\xA5'));

        // Another program's SQLite database.
        const QString other = env.root() + QStringLiteral("/other.db");
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(other).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        check(fileBytes(other));

        // A real hive whose pages were overwritten.
        QFile::remove(env.hivePath());
        Hive::setPath(QString());
        Hive::setPath(env.hivePath());
        {
            Registry reg;
            QVERIFY(reg.OpenKey(kState, true));
            for (int i = 0; i < 300; ++i) {
                reg.WriteString(QStringLiteral("v%1").arg(i), QString(40, u'x'));
            }
        }
        Hive::setPath(QString());  // checkpoints the journal into the file
        QByteArray damaged = fileBytes(env.hivePath());
        QVERIFY(damaged.size() > 8192);
        for (qsizetype i = 4096; i < damaged.size(); ++i) {
            damaged[i] = static_cast<char>(i * 7);
        }
        check(damaged);
    }

    void killedTransactionLeavesAllOrNone() {
        CoreTestEnvironment env;
        QProcess child;
        child.start(QStringLiteral(HIVE_WRITER),
                    {env.hivePath(), QStringLiteral("hold"), QStringLiteral("600")});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(30000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("half"));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(integrity(env.hivePath()), QStringLiteral("ok"));
        Registry reg;
        QVERIFY(reg.OpenKey(QStringLiteral("software\\test")));
        QVERIFY(!reg.ValueExists(QStringLiteral("v0")));
        QVERIFY(!reg.ValueExists(QStringLiteral("v300")));

        // Killed at an arbitrary moment among many committed batches.
        QProcess batches;
        batches.start(QStringLiteral(HIVE_WRITER), {env.hivePath(), QStringLiteral("batches")});
        QVERIFY(batches.waitForStarted());
        QVERIFY(batches.waitForReadyRead(30000));
        QTest::qWait(150);
        ::kill(static_cast<pid_t>(batches.processId()), SIGKILL);
        QVERIFY(batches.waitForFinished(30000));
        QCOMPARE(integrity(env.hivePath()), QStringLiteral("ok"));
        Hive::setPath(QString());
        Hive::setPath(env.hivePath());
        reg.CloseKey();
        QVERIFY(reg.OpenKey(QStringLiteral("software\\test")));
        int complete = 0;
        for (int batch = 0;; ++batch) {
            int present = 0;
            for (int i = 0; i < 50; ++i) {
                present += reg.ValueExists(QStringLiteral("b%1_%2").arg(batch).arg(i)) ? 1 : 0;
            }
            QVERIFY2(present == 0 || present == 50, qPrintable(QString::number(present)));
            if (present == 0) {
                break;
            }
            ++complete;
        }
        QVERIFY(complete >= 1);
    }

    void processesMeetingANewHiveAllSucceed() {
        CoreTestEnvironment env;
        constexpr int kRounds = 50, kParties = 3;
        std::vector<std::unique_ptr<QProcess>> parties;
        for (int p = 0; p < kParties; ++p) {
            parties.push_back(std::make_unique<QProcess>());
            parties.back()->start(QStringLiteral(HIVE_WRITER),
                                  {env.root(), QStringLiteral("race"), QString::number(kRounds),
                                   QString::number(kParties), QString::number(p)});
        }
        for (const auto& p : parties) {
            QVERIFY(p->waitForFinished(120000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
        }
        for (int round = 0; round < kRounds; ++round) {
            Hive::setPath(env.root() + QStringLiteral("/%1.sqlite3").arg(round));
            Registry reg;
            QVERIFY(reg.OpenKey(QStringLiteral("software\\test")));
            for (int p = 0; p < kParties; ++p) {
                QCOMPARE(reg.ReadString(QStringLiteral("party%1").arg(p)), QString::number(p));
            }
        }
    }

    void twoProcessesWriteAtOnce() {
        CoreTestEnvironment env;
        QProcess a, b;
        a.start(QStringLiteral(HIVE_WRITER), {env.hivePath(), QStringLiteral("many"),
                                              QStringLiteral("150"), QStringLiteral("a")});
        b.start(QStringLiteral(HIVE_WRITER), {env.hivePath(), QStringLiteral("many"),
                                              QStringLiteral("150"), QStringLiteral("b")});
        QVERIFY(a.waitForFinished(120000) && b.waitForFinished(120000));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);
        Registry reg;
        QVERIFY(reg.OpenKey(QStringLiteral("software\\test")));
        for (int i = 0; i < 150; ++i) {
            QVERIFY(reg.ValueExists(QStringLiteral("a%1").arg(i)));
            QVERIFY(reg.ValueExists(QStringLiteral("b%1").arg(i)));
        }
    }
};

QTEST_GUILESS_MAIN(TestHive)
#include "tst_hive.moc"
