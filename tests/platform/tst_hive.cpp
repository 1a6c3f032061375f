#include "TestEnvironment.h"
#include "platform/Cp950.h"
#include "platform/Error.h"
#include "platform/Hive.h"
#include "platform/Registry.h"

#include <sqlite3.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>

namespace {

const QString kState = QStringLiteral("software\\quillmarsh\\OXReg");

QString errorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
        TestEnvironment env;
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
        TestEnvironment env;
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
        TestEnvironment env;
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

    void reportsKeysThatCannotBeCreated() {
        TestEnvironment env;
        // A folder where the hive file should be.
        QDir().mkpath(env.hivePath());
        Registry reg;
        QCOMPARE(errorOf([&] { reg.CreateKey(QStringLiteral("software\\x")); }),
                 QStringLiteral("Failed to create key software\\x"));
        QCOMPARE(errorOf([&] { reg.OpenKey(QStringLiteral("software\\x"), true); }),
                 QStringLiteral("Failed to create key software\\x"));
    }

    void transactionIsAllOrNothing() {
        TestEnvironment env;
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
        TestEnvironment env;
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
            QVERIFY2(message.contains(env.hivePath()), qPrintable(message));
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
        TestEnvironment env;
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

    void twoProcessesWriteAtOnce() {
        TestEnvironment env;
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
