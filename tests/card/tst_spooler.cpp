#include "FormTesting.h"
#include "PrivateSpooler.h"
#include "core/RegUtils.h"
#include "desktop/PrintEngine.h"
#include "upload/TForm6.h"

#include <QFile>
#include <QTimer>
#include <functional>

using namespace formtesting;
using Policy = PrivateSpooler::ErrorPolicy;

Q_DECLARE_METATYPE(Policy)

namespace {

constexpr int kCanceled = 7;
constexpr int kAborted = 8;
constexpr int kCompleted = 9;

bool runValueKept() {
    Registry run;
    return run.OpenKey(keys::RunKey) && run.ValueExists(keys::RunValue);
}

}  // namespace

// A print registration through a real spooler counts once when the card came out and never
// when it did not; a job called failed never prints later.
class TestSpooler : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!PrivateSpooler::available()) {
            QSKIP("no cupsd here");
        }
    }

    void theFateDecides_data() {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<Policy>("policy");
        QTest::addColumn<bool>("history");
        QTest::addColumn<bool>("restart");     // the spooler restarts while the card prints
        QTest::addColumn<QString>("queue");    // "disabled", "rejecting" or as added
        QTest::addColumn<int>("state");        // of the job at the end, 0: forgotten
        QTest::addColumn<QString>("message");  // what the user is told; empty when printed
        QTest::newRow("ok") << "orvex-test:/ok" << Policy::StopPrinter << true << false << QString()
                            << kCompleted << QString();
        QTest::newRow("fails, retry-job") << "orvex-test:/fail" << Policy::RetryJob << true << false
                                          << QString() << kCanceled << "保留下來而不列印";
        QTest::newRow("fails, stop-printer") << "orvex-test:/fail" << Policy::StopPrinter << true
                                             << false << QString() << kCanceled << "已停止列印";
        QTest::newRow("fails, abort-job") << "orvex-test:/fail" << Policy::AbortJob << true << false
                                          << QString() << kAborted << "列印工作已中止";
        QTest::newRow("stops the printer") << "orvex-test:/stop" << Policy::AbortJob << true
                                           << false << QString() << kCanceled << "已停止列印";
        QTest::newRow("cancels the job") << "orvex-test:/cancel" << Policy::AbortJob << true
                                         << false << QString() << kCanceled << "列印工作已被取消";
        QTest::newRow("slow") << "orvex-test:/slow?seconds=3" << Policy::AbortJob << true << false
                              << QString() << kCompleted << QString();
        QTest::newRow("jams late") << "orvex-test:/slowjam?seconds=4" << Policy::AbortJob << true
                                   << false << QString() << kAborted << "列印工作已中止";
        QTest::newRow("no job history") << "orvex-test:/ok" << Policy::AbortJob << false << false
                                        << QString() << 0 << QString();
        QTest::newRow("disabled queue") << "orvex-test:/ok" << Policy::AbortJob << true << false
                                        << "disabled" << kCanceled << "已停止列印";
        QTest::newRow("rejecting queue") << "orvex-test:/ok" << Policy::AbortJob << true << false
                                         << "rejecting" << 0 << "不接受這份列印工作";
        QTest::newRow("spooler restarted") << "orvex-test:/slow?seconds=3" << Policy::AbortJob
                                           << true << true << QString() << kCompleted << QString();
    }
    void theFateDecides() {
        QFETCH(QString, uri);
        QFETCH(Policy, policy);
        QFETCH(bool, history);
        QFETCH(bool, restart);
        QFETCH(QString, queue);
        QFETCH(int, state);
        QFETCH(QString, message);
        PrivateSpooler spooler;
        QVERIFY(spooler.start());
        QVERIFY(spooler.setPreserveJobHistory(history));
        QVERIFY(spooler.addQueue(QStringLiteral("Orvex"), uri, policy));
        QVERIFY(queue != QStringLiteral("disabled") || spooler.disable(QStringLiteral("Orvex")));
        QVERIFY(queue != QStringLiteral("rejecting") || spooler.reject(QStringLiteral("Orvex")));
        TestEnvironment env(true);
        QFile::link(QStringLiteral(ORVEX_BUILD_OUT "/orvexreg-cups.so"),
                    env.programFolder() + QStringLiteral("/orvexreg-cups.so"));
        Program program;
        Form1->hide();
        Form5->RegMode = QStringLiteral("print");
        fillValid(QStringLiteral("Person"));
        printing::setPdfOutput(QString());
        printing::setQueue(QStringLiteral("Orvex"));
        QTimer restarter;
        QObject::connect(&restarter, &QTimer::timeout, [&] {
            if (spooler.job(1).state == 5) {
                restarter.stop();
                QVERIFY(spooler.restart());
            }
        });
        if (restart) {
            restarter.start(50);
        }
        const QString before = TestEnvironment::hiveDump();
        env.boxes.answerNo();
        QTest::mouseClick(Form5->Label40, Qt::LeftButton);

        QVERIFY(!restarter.isActive());
        QCOMPARE(spooler.job(1).state, state);
        if (message.isEmpty()) {
            QCOMPARE(env.boxes.count(), 1);
            QVERIFY(!spooler.documents(1).isEmpty());
            QVERIFY(Form6->isVisible() && !runValueKept());
            QCOMPARE(RegUtils().GetProductCount(), 1);
        } else {
            QVERIFY2(env.boxes.last().text.contains(message), qPrintable(env.boxes.last().text));
            QVERIFY(spooler.documents(1).isEmpty());
            QVERIFY(Form5->isVisible() && runValueKept());
            QCOMPARE(TestEnvironment::hiveDump(), before);
        }
    }
};

QTEST_MAIN(TestSpooler)
#include "tst_spooler.moc"
