#include "CoreTestEnvironment.h"
#include "core/Cp950.h"
#include "core/Registry.h"
#include "platform/Error.h"
#include "tools/RegTool.h"

#include <QProcess>
#include <QTest>
#include <QThread>
#include <memory>

namespace {

struct Run {
    int code;
    QString out;
    QString err;
};

Run reg(const QStringList& args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = runRegTool(args, o, e);
    o.flush();
    e.flush();
    return {code, out, err};
}

const QString kState = QStringLiteral("HKCU\\software\\quillmarsh\\OXReg");

}  // namespace

class TestRegTool : public QObject {
    Q_OBJECT
private slots:
    void queryShowsWhatTheProgramWrote() {
        CoreTestEnvironment env;
        Registry r;
        QVERIFY(r.OpenKey(QStringLiteral("software\\quillmarsh\\OXReg"), true));
        r.WriteString(QStringLiteral("name"), QStringLiteral("許功蓋"));
        r.WriteInteger(QStringLiteral("ProductCount"), 12);
        r.CreateKey(QStringLiteral("sub"));
        const Run all = reg({QStringLiteral("query"), kState});
        QCOMPARE(all.code, 0);
        QVERIFY(all.out.contains(QStringLiteral("    name    REG_SZ    許功蓋\n")));
        QVERIFY(all.out.contains(QStringLiteral("    ProductCount    REG_DWORD    0xc\n")));
        QVERIFY(all.out.contains(
            QStringLiteral("HKEY_CURRENT_USER\\software\\quillmarsh\\OXReg\\sub")));
        const Run one =
            reg({QStringLiteral("query"), QStringLiteral("hkcu\\SOFTWARE\\quillmarsh\\oxreg"),
                 QStringLiteral("/v"), QStringLiteral("NAME")});
        QCOMPARE(one.code, 0);
        QVERIFY(one.out.contains(QStringLiteral("許功蓋")));
        QVERIFY(!one.out.contains(QStringLiteral("ProductCount")));
    }

    void addCreatesKeysAndStoresEachType() {
        CoreTestEnvironment env;
        QCOMPARE(reg({QStringLiteral("add"), kState, QStringLiteral("/v"),
                      QStringLiteral("uploadFail"), QStringLiteral("/t"), QStringLiteral("REG_SZ"),
                      QStringLiteral("/d"), QStringLiteral("y")})
                     .code,
                 0);
        QCOMPARE(
            reg({QStringLiteral("add"), kState, QStringLiteral("/v"),
                 QStringLiteral("ProductCount"), QStringLiteral("/t"), QStringLiteral("REG_DWORD"),
                 QStringLiteral("/d"), QStringLiteral("0xFFFFFFFF")})
                .code,
            0);
        QCOMPARE(reg({QStringLiteral("add"), kState, QStringLiteral("/v"), QStringLiteral("blob"),
                      QStringLiteral("/t"), QStringLiteral("REG_BINARY"), QStringLiteral("/d"),
                      QStringLiteral("00ff5c")})
                     .code,
                 0);
        Registry r;
        QVERIFY(r.OpenKey(QStringLiteral("software\\quillmarsh\\OXReg")));
        QCOMPARE(r.ReadString(QStringLiteral("uploadFail")), QStringLiteral("y"));
        QCOMPARE(r.ReadInteger(QStringLiteral("ProductCount")), -1);
        try {
            r.ReadString(QStringLiteral("blob"));
            QFAIL("binary read as text");
        } catch (const Error& e) {
            QCOMPARE(e.message(), QStringLiteral("Invalid data type for 'blob'"));
        }
        QCOMPARE(reg({QStringLiteral("delete"), kState, QStringLiteral("/v"),
                      QStringLiteral("blob"), QStringLiteral("/f")})
                     .code,
                 0);
        QVERIFY(!r.ValueExists(QStringLiteral("blob")));
    }

    void exportPrintsAKeyWithItsSubkeys() {
        CoreTestEnvironment env;
        Registry r;
        QVERIFY(r.OpenKey(QStringLiteral("software\\quillmarsh\\OXReg\\inner"), true));
        r.WriteString(QStringLiteral("path"), QStringLiteral("c:\\a \"b\""));
        QVERIFY(r.OpenKey(QStringLiteral("\\software\\other"), true));
        r.WriteInteger(QStringLiteral("n"), 1);
        const Run one =
            reg({QStringLiteral("export"), QStringLiteral("HKCU\\Software\\Quillmarsh")});
        QCOMPARE(one.code, 0);
        QCOMPARE(one.out, QStringLiteral("[HKEY_CURRENT_USER\\software\\quillmarsh]\n\n"
                                         "[HKEY_CURRENT_USER\\software\\quillmarsh\\OXReg]\n\n"
                                         "[HKEY_CURRENT_USER\\software\\quillmarsh\\OXReg\\inner]\n"
                                         "\"path\"=\"c:\\\\a \\\"b\\\"\"\n\n"));
        const Run all = reg({QStringLiteral("export")});
        QVERIFY(all.out.contains(
            QStringLiteral("[HKEY_CURRENT_USER\\software\\other]\n\"n\"=dword:00000001\n")));
    }

    void exportsAKeyThousandsOfLevelsDeep() {
        CoreTestEnvironment env;
        constexpr int kDepth = 3000;
        const QString deep = QStringList(kDepth, QStringLiteral("k")).join(u'\\');
        QCOMPARE(reg({QStringLiteral("add"), QStringLiteral("HKCU\\") + deep, QStringLiteral("/v"),
                      QStringLiteral("x"), QStringLiteral("/d"), QStringLiteral("y")})
                     .code,
                 0);
        // On a small stack, as a walk that recursed once per level would overflow it.
        Run run{};
        std::unique_ptr<QThread> worker(QThread::create([&] {
            run = reg({QStringLiteral("export"), QStringLiteral("HKCU\\k")});
        }));
        worker->setStackSize(256 * 1024);
        worker->start();
        QVERIFY(worker->wait(QDeadlineTimer(120000)));
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out.count(QStringLiteral("[HKEY_CURRENT_USER\\k")), kDepth);
        QVERIFY(run.out.endsWith(QStringLiteral("[HKEY_CURRENT_USER\\") + deep +
                                 QStringLiteral("]\n\"x\"=\"y\"\n\n")));
    }

    void failuresExitNonZeroWithAMessage() {
        CoreTestEnvironment env;
        const QList<QStringList> bad = {
            {},
            {QStringLiteral("query")},
            {QStringLiteral("query"), kState},
            {QStringLiteral("frobnicate"), kState},
            {QStringLiteral("add"), kState},
            {QStringLiteral("add"), kState, QStringLiteral("/v"), QStringLiteral("x"),
             QStringLiteral("/t"), QStringLiteral("REG_DWORD"), QStringLiteral("/d"),
             QStringLiteral("ten")},
            {QStringLiteral("add"), kState, QStringLiteral("/v"), QStringLiteral("x"),
             QStringLiteral("/t"), QStringLiteral("REG_BINARY"), QStringLiteral("/d"),
             QStringLiteral("abc")},
            {QStringLiteral("add"), kState, QStringLiteral("/v"), QStringLiteral("x"),
             QStringLiteral("/d"), QStringLiteral("堃")},
            {QStringLiteral("add"), kState, QStringLiteral("/v")},
            {QStringLiteral("delete"), kState, QStringLiteral("/v"), QStringLiteral("missing")},
        };
        for (const QStringList& args : bad) {
            const Run run = reg(args);
            QVERIFY2(run.code != 0, qPrintable(args.join(u' ')));
            QVERIFY2(run.err.startsWith(QStringLiteral("ERROR: ")), qPrintable(run.err));
        }
    }

    void realExecutableSpeaksUtf8() {
        CoreTestEnvironment env;
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("ORVEXREG_HIVE"), env.hivePath());
        p.setProcessEnvironment(e);
        const QString tool = QStringLiteral(ORVEX_BUILD_OUT "/orvexreg-reg");
        p.start(tool, {QStringLiteral("add"), kState, QStringLiteral("/v"), QStringLiteral("addr"),
                       QStringLiteral("/d"), QStringLiteral("臺北市許功路")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        Registry r;
        QVERIFY(r.OpenKey(QStringLiteral("software\\quillmarsh\\OXReg")));
        QCOMPARE(r.ReadBytes(QStringLiteral("addr")),
                 cp950::encode(QStringLiteral("臺北市許功路")));
        p.start(tool,
                {QStringLiteral("query"), kState, QStringLiteral("/v"), QStringLiteral("addr")});
        QVERIFY(p.waitForFinished());
        QVERIFY(
            QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("臺北市許功路")));
        p.start(tool, {QStringLiteral("query"), QStringLiteral("HKCU\\nothing")});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(!p.readAllStandardError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRegTool)
#include "tst_regtool.moc"
