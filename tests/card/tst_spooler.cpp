#include "FormTesting.h"
#include "PrivateSpooler.h"
#include "core/RegUtils.h"
#include "desktop/PrintEngine.h"
#include "upload/TForm6.h"

#include <QCloseEvent>
#include <QFile>
#include <QTimer>
#include <functional>

using namespace formtesting;
using Policy = PrivateSpooler::ErrorPolicy;

Q_DECLARE_METATYPE(Policy)

namespace {

constexpr int kPrinting = 5;
constexpr int kCanceled = 7;
constexpr int kAborted = 8;
constexpr int kCompleted = 9;

bool runValueKept() {
    Registry run;
    return run.OpenKey(keys::RunKey) && run.ValueExists(keys::RunValue);
}

// A person's print registration, filled in, whose card goes to the queue Orvex of a spooler of
// its own. `meanwhile` runs once while the first job prints.
struct PrintRun {
    PrintRun(const QString& uri, Policy policy, bool history, std::function<void()> meanwhile)
        : env(true) {
        QVERIFY(spooler.start());
        QVERIFY(spooler.setPreserveJobHistory(history));
        QVERIFY(spooler.addQueue(QStringLiteral("Orvex"), uri, policy));
        QFile::link(QStringLiteral(ORVEX_BUILD_OUT "/orvexreg-cups.so"),
                    env.programFolder() + QStringLiteral("/orvexreg-cups.so"));
        program = std::make_unique<Program>();
        Form1->hide();
        Form5->RegMode = QStringLiteral("print");
        fillValid(QStringLiteral("Person"));
        printing::setPdfOutput(QString());
        printing::setQueue(QStringLiteral("Orvex"));
        if (meanwhile) {
            QObject::connect(&watch, &QTimer::timeout, [this, meanwhile = std::move(meanwhile)] {
                if (spooler.jobState(1) == kPrinting) {
                    watch.stop();
                    meanwhile();
                }
            });
            watch.start(20);
        }
    }

    // Presses 完成 and answers No to further products.
    void finish() {
        env.boxes.answerNo();
        QTest::mouseClick(Form5->Label40, Qt::LeftButton);
    }

    PrivateSpooler spooler;
    TestEnvironment env;
    std::unique_ptr<Program> program;
    QTimer watch;
};

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
        QTest::addColumn<QString>("meanwhile");  // "restart", or what the queue is made first
        QTest::addColumn<int>("state");          // of the job at the end, 0: forgotten
        QTest::addColumn<QString>("message");    // what the user is told; empty when printed
        const auto row = [](const char* name, const char* uri, Policy policy, int state,
                            const char* message, bool history = true, const char* meanwhile = "") {
            QTest::newRow(name) << QString::fromLatin1(uri) << policy << history
                                << QString::fromLatin1(meanwhile) << state
                                << QString::fromUtf8(message);
        };
        row("ok", "orvex-test:/ok", Policy::StopPrinter, kCompleted, "");
        row("fails, retry-job", "orvex-test:/fail", Policy::RetryJob, kCanceled,
            "保留下來而不列印");
        row("fails, stop-printer", "orvex-test:/fail", Policy::StopPrinter, kCanceled,
            "已停止列印");
        row("fails, abort-job", "orvex-test:/fail", Policy::AbortJob, kAborted, "列印工作已中止");
        row("stops the printer", "orvex-test:/stop", Policy::AbortJob, kCanceled, "已停止列印");
        row("cancels the job", "orvex-test:/cancel", Policy::AbortJob, kCanceled, "已被取消");
        row("slow", "orvex-test:/slow?seconds=3", Policy::AbortJob, kCompleted, "");
        row("jams late", "orvex-test:/slowjam?seconds=4", Policy::AbortJob, kAborted, "已中止");
        row("no job history", "orvex-test:/ok", Policy::AbortJob, 0, "", false);
        row("disabled queue", "orvex-test:/ok", Policy::AbortJob, kCanceled, "已停止列印", true,
            "disabled");
        row("rejecting queue", "orvex-test:/ok", Policy::AbortJob, 0, "不接受這份列印工作", true,
            "rejecting");
        row("spooler restarted", "orvex-test:/slow?seconds=3", Policy::AbortJob, kCompleted, "",
            true, "restart");
    }
    void theFateDecides() {
        QFETCH(QString, uri);
        QFETCH(Policy, policy);
        QFETCH(bool, history);
        QFETCH(QString, meanwhile);
        QFETCH(int, state);
        QFETCH(QString, message);
        bool restarted = false;
        PrintRun run(uri, policy, history, [&] { restarted = run.spooler.restart(); });
        if (meanwhile != QStringLiteral("restart")) {
            run.watch.stop();
        }
        QVERIFY(meanwhile != QStringLiteral("disabled") ||
                run.spooler.disable(QStringLiteral("Orvex")));
        QVERIFY(meanwhile != QStringLiteral("rejecting") ||
                run.spooler.reject(QStringLiteral("Orvex")));
        const QString before = TestEnvironment::hiveDump();
        run.finish();

        QCOMPARE(restarted, meanwhile == QStringLiteral("restart"));
        QCOMPARE(run.spooler.jobState(1), state);
        if (message.isEmpty()) {
            QCOMPARE(run.env.boxes.count(), 1);
            QVERIFY(!run.spooler.documents(1).isEmpty());
            QVERIFY(Form6->isVisible() && !runValueKept());
            QCOMPARE(RegUtils().GetProductCount(), 1);
        } else {
            const QString shown = run.env.boxes.last().text;
            QVERIFY2(shown.contains(message), qPrintable(shown));
            QVERIFY(run.spooler.documents(1).isEmpty());
            QVERIFY(Form5->isVisible() && runValueKept());
            QCOMPARE(TestEnvironment::hiveDump(), before);
        }
    }

    // While the card prints the form takes nothing: a click on 完成 and a close of the form,
    // both sent meanwhile, are neither acted on nor kept for later; the card counts once.
    void inputDuringTheFollowIsDropped() {
        PrintRun run(QStringLiteral("orvex-test:/slow?seconds=2"), Policy::AbortJob, true, [] {
            QTest::mouseClick(Form5->Label40, Qt::LeftButton);
            QCoreApplication::postEvent(Form5, new QCloseEvent);
        });
        run.finish();
        QCoreApplication::processEvents();
        QVERIFY(!run.watch.isActive());
        QCOMPARE(run.env.boxes.count(), 1);
        QCOMPARE(run.spooler.jobState(2), 0);
        QCOMPARE(RegUtils().GetProductCount(), 1);
        QVERIFY(!Form5->isVisible() && Form6->isVisible() && !Form1->isVisible());
    }

    // A card that came out while its registration could not be stored is stored by the next
    // 完成, not printed again.
    void aPrintedCardIsStoredWithoutASecondCard() {
        // Another program takes the last room of ProductCount while the card prints.
        PrintRun run(QStringLiteral("orvex-test:/slow?seconds=1"), Policy::AbortJob, true,
                     [] { writeStateInt(keys::ProductCount, 2147483647); });
        run.finish();
        QVERIFY(run.env.boxes.last().text.startsWith(QStringLiteral("產品註冊卡已經印出")));
        QVERIFY(Form5->isVisible());
        writeStateInt(keys::ProductCount, 0);
        QTest::mouseClick(Form5->Label40, Qt::LeftButton);
        QCOMPARE(run.spooler.jobState(2), 0);
        QCOMPARE(RegUtils().GetProductCount(), 1);
        QVERIFY(!Form5->isVisible() && Form6->isVisible());
    }
};

QTEST_MAIN(TestSpooler)
#include "tst_spooler.moc"
