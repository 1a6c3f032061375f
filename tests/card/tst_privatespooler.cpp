#include "PrivateSpooler.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>

namespace {

const QByteArray kCard =
    "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
    "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
    "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]>>endobj\n"
    "trailer<</Root 1 0 R>>\n%%EOF\n";

// Prints the bytes with lp, as someone at the machine would; the job's id, 0 when refused.
int lp(const QString& queue, const QByteArray& bytes) {
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        return 0;
    }
    QProcess p;
    p.start(QStringLiteral("lp"), {QStringLiteral("-d"), queue, file.fileName()});
    if (!p.waitForFinished(10000) || p.exitCode() != 0) {
        qWarning("lp: %s", p.readAllStandardError().constData());
        return 0;
    }
    const auto m = QRegularExpression(QStringLiteral("request id is .*-(\\d+) "))
                       .match(QString::fromLocal8Bit(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

}  // namespace

class TestPrivateSpooler : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!PrivateSpooler::available()) {
            QSKIP("no cupsd here");
        }
    }

    void cardComesOutOfAnOkQueue() {
        PrivateSpooler spooler;
        QVERIFY(spooler.start());
        QCOMPARE(qgetenv("CUPS_SERVER"), spooler.server().toLocal8Bit());
        QVERIFY(spooler.addQueue(QStringLiteral("Orvex"), QStringLiteral("orvex-test:/ok")));
        const int id = lp(QStringLiteral("Orvex"), kCard);
        QVERIFY(id > 0);
        QTRY_COMPARE_WITH_TIMEOUT(spooler.job(id).state, 9, 10000);
        QCOMPARE(spooler.documents(id), QList<QByteArray>{kCard});
        QCOMPARE(spooler.printer(QStringLiteral("Orvex")).state, 3);
    }

    void failingPrinterKeepsNoCard() {
        PrivateSpooler spooler;
        QVERIFY(spooler.start());
        QVERIFY(spooler.addQueue(QStringLiteral("Orvex"), QStringLiteral("orvex-test:/fail"),
                                 PrivateSpooler::ErrorPolicy::AbortJob));
        const int id = lp(QStringLiteral("Orvex"), kCard);
        QVERIFY(id > 0);
        QTRY_COMPARE_WITH_TIMEOUT(spooler.job(id).state, 8, 10000);
        QVERIFY(spooler.documents(id).isEmpty());
    }

    void restartKeepsQueuesAndJobs() {
        PrivateSpooler spooler;
        QVERIFY(spooler.start());
        QVERIFY(spooler.addQueue(QStringLiteral("Orvex"), QStringLiteral("orvex-test:/ok")));
        const int first = lp(QStringLiteral("Orvex"), kCard);
        QTRY_COMPARE_WITH_TIMEOUT(spooler.job(first).state, 9, 10000);
        QVERIFY(spooler.restart());
        QCOMPARE(spooler.job(first).state, 9);
        QVERIFY(spooler.printer(QStringLiteral("Orvex")).accepting);
        const int second = lp(QStringLiteral("Orvex"), kCard);
        QVERIFY(second > first);
        QTRY_COMPARE_WITH_TIMEOUT(spooler.job(second).state, 9, 10000);

        spooler.stop();
        QVERIFY(!spooler.running());
        QCOMPARE(spooler.job(first).state, -1);
    }

    void serverIsPutBack() {
        qputenv("CUPS_SERVER", "elsewhere");
        {
            PrivateSpooler spooler;
            QVERIFY(qgetenv("CUPS_SERVER") != "elsewhere");
        }
        QCOMPARE(qgetenv("CUPS_SERVER"), QByteArray("elsewhere"));
        qunsetenv("CUPS_SERVER");
    }
};

QTEST_GUILESS_MAIN(TestPrivateSpooler)
#include "tst_privatespooler.moc"
