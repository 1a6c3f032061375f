#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "controls/TCppWebBrowser.h"
#include "platform/Cp950.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

// The order in which a browser raised its events.
class EventLog : public QObject {
public:
    explicit EventLog(TCppWebBrowser* browser) {
        connect(browser, &TCppWebBrowser::NavigateError, this,
                [this] { events << QStringLiteral("error"); });
        connect(browser, &TCppWebBrowser::DownloadComplete, this,
                [this] { events << QStringLiteral("download"); });
        connect(browser, &TCppWebBrowser::DocumentComplete, this,
                [this] { events << QStringLiteral("document"); });
    }
    bool waitFor(qsizetype count, int ms = 15000) {
        return QTest::qWaitFor([&] { return events.size() >= count; }, ms);
    }
    QStringList events;
};

const QByteArray kHeader = "Content-Type: application/x-www-form-urlencoded\r\n";

// Heap bytes in use, freed ones not counted (the sanitizer's quarantine included).
qint64 heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<qint64>(info.uordblks + info.hblkhd);
#endif
}

}  // namespace

class TestBrowser : public QObject {
    Q_OBJECT
private slots:
    void showsBig5PagesWithPictures() {
        TestEnvironment env;
        env.writeFile(
            QStringLiteral("pages/a.htm"),
            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">"
            "</head><body><p>" +
                cp950::encode(QStringLiteral("歡迎使用許功蓋")) +
                "</p><img src=\"pic.png\"><a href=\"b.htm\">b</a>"
                "<a href=\"https://example.com/x\">web</a></body></html>");
        QImage pic(4, 4, QImage::Format_RGB32);
        pic.fill(Qt::red);
        pic.save(env.root() + QStringLiteral("/pages/pic.png"));
        env.writeFile(QStringLiteral("pages/b.htm"), "<html><body>second</body></html>");

        TCppWebBrowser browser;
        EventLog log(&browser);
        browser.Navigate(env.root() + QStringLiteral("/pages/a.htm"));
        // The completion comes later, never inside the call.
        QVERIFY(log.events.isEmpty());
        QVERIFY(log.waitFor(2));
        QCOMPARE(log.events, QStringList({"download", "document"}));
        QVERIFY(browser.toPlainText().contains(QStringLiteral("歡迎使用許功蓋")));
        const QVariant image = browser.document()->resource(
            QTextDocument::ImageResource,
            browser.document()->baseUrl().resolved(QUrl(QStringLiteral("pic.png"))));
        QVERIFY(!image.isNull());

        // A local link opens inside the control; a web link goes to the desktop's browser.
        emit browser.anchorClicked(QUrl(QStringLiteral("b.htm")));
        QVERIFY(log.waitFor(4));
        QCOMPARE(browser.LocationURL(), env.root() + QStringLiteral("/pages/b.htm"));
        QVERIFY(browser.toPlainText().contains(QStringLiteral("second")));
        // An anchor within the page neither leaves it nor completes anything.
        emit browser.anchorClicked(QUrl(QStringLiteral("#top")));
        QTest::qWait(20);
        QCOMPARE(browser.LocationURL(), env.root() + QStringLiteral("/pages/b.htm"));
        emit browser.anchorClicked(QUrl(QStringLiteral("https://example.com/x")));
        QCOMPARE(env.openedUrls, QList<QUrl>({QUrl(QStringLiteral("https://example.com/x"))}));
        QCOMPARE(log.events.size(), 4);
    }

    void missingPageShowsItsOwnErrorPage() {
        TestEnvironment env;
        TCppWebBrowser browser;
        EventLog log(&browser);
        browser.Navigate(env.root() + QStringLiteral("/none/index.htm"));
        QVERIFY(log.waitFor(2));
        QCOMPARE(log.events, QStringList({"download", "document"}));
        QVERIFY(browser.toPlainText().contains(QStringLiteral("index.htm")));
    }

    void postsTheBytesExactly() {
        TestEnvironment env;
        TestHttpServer server;
        TCppWebBrowser browser;
        EventLog log(&browser);
        const QByteArray body =
            cp950::encode(QStringLiteral("Name=許功蓋&Addr=a&b=c 100%+1&version=3.5"));
        browser.Navigate(server.url(QStringLiteral("/orvex/register")), body, kHeader);
        QVERIFY(log.waitFor(2));
        QCOMPARE(log.events, QStringList({"download", "document"}));
        QCOMPARE(server.requests().size(), 1);
        const TestHttpServer::Request& r = server.requests().front();
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.path, QByteArray("/orvex/register"));
        QCOMPARE(r.body, body);
        QCOMPARE(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    }

    void redirectsCarryTheOnePostOn() {
        TestEnvironment env;
        TestHttpServer server;
        server.redirect("/old", 308, "/moved");
        server.redirect("/moved", 307, "/new");
        server.redirect("/done", 303, "/thanks");
        TCppWebBrowser browser;
        EventLog log(&browser);
        browser.Navigate(server.url(QStringLiteral("/old")), "x=1", kHeader);
        QVERIFY(log.waitFor(2));
        browser.Navigate(server.url(QStringLiteral("/done")), "y=2", kHeader);
        QVERIFY(log.waitFor(4));
        QCOMPARE(log.events, QStringList({"download", "document", "download", "document"}));
        QStringList arrivals;
        for (const TestHttpServer::Request& r : server.requests()) {
            arrivals << QString::fromLatin1(r.method + ' ' + r.path + ' ' + r.body);
        }
        QCOMPARE(arrivals, QStringList({"POST /old x=1", "POST /moved x=1", "POST /new x=1",
                                        "POST /done y=2", "GET /thanks "}));
    }

    void failuresRaiseNavigateErrorFirst() {
        TestEnvironment env;
        TestHttpServer server;
        TCppWebBrowser browser;
        EventLog log(&browser);
        const QStringList failed = {"error", "download", "document"};

        server.setStatus(500);
        browser.Navigate(server.url(), "x=1", kHeader);
        QVERIFY(log.waitFor(3));
        QCOMPARE(log.events, failed);

        // A port nobody listens on.
        quint16 closed;
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            closed = probe.serverPort();
        }
        log.events.clear();
        browser.Navigate(QStringLiteral("http://127.0.0.1:%1/r").arg(closed), "x=1", kHeader);
        QVERIFY(log.waitFor(3));
        QCOMPARE(log.events, failed);

        // A server that takes the request and never answers.
        server.setMode(TestHttpServer::Mode::Silent);
        TCppWebBrowser::setTransferTimeoutMs(300);
        log.events.clear();
        browser.Navigate(server.url(), "x=1", kHeader);
        QVERIFY(log.waitFor(3));
        QCOMPARE(log.events, failed);

        // No address at all.
        log.events.clear();
        browser.Navigate(QString(), QByteArray(), kHeader);
        QVERIFY(log.waitFor(3));
        QCOMPARE(log.events, failed);
    }

    void aDroppedConnectionIsOneFailedPost() {
        TestEnvironment env;
        TestHttpServer server;
        TCppWebBrowser browser;
        EventLog log(&browser);
        const QByteArray body = cp950::encode(QStringLiteral("Name=許功蓋&version=3.5"));
        for (const auto mode : {TestHttpServer::Mode::Close, TestHttpServer::Mode::Reset}) {
            server.setMode(mode);
            log.events.clear();
            const qsizetype before = server.requests().size();
            browser.Navigate(server.url(), body, kHeader);
            QVERIFY(log.waitFor(3));
            QCOMPARE(log.events, QStringList({"error", "download", "document"}));
            QTest::qWait(200);
            QCOMPARE(server.requests().size(), before + 1);
            QCOMPARE(server.requests().back().body, body);
        }
        // The same browser still posts once and succeeds afterwards, an empty body included.
        server.setMode(TestHttpServer::Mode::Answer);
        log.events.clear();
        browser.Navigate(server.url(), QByteArray(), kHeader);
        QVERIFY(log.waitFor(2));
        QCOMPARE(log.events, QStringList({"download", "document"}));
        QCOMPARE(server.requests().size(), 3);
        QCOMPARE(server.requests().back().header("Content-Length"), QByteArray("0"));
    }

    void aHugeAnswerIsDroppedAsItComes() {
        TestEnvironment env;
        TestHttpServer server;
        constexpr qint64 huge = 16 * 1024 * 1024;
        server.setMode(TestHttpServer::Mode::Flood);
        server.setFloodBytes(huge);
        TCppWebBrowser browser;
        EventLog log(&browser);
        const qint64 base = heapInUse();
        qint64 peak = base;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, heapInUse()); });
        sampler.start(2);
        browser.Navigate(server.url(), "x=1", kHeader);
        QVERIFY(log.waitFor(2, 60000));
        QCOMPARE(log.events, QStringList({"download", "document"}));
        QVERIFY2(peak - base < huge / 2, qPrintable(QString::number(peak - base)));
    }

    void aNewNavigationReplacesAPendingPost() {
        TestEnvironment env;
        TestHttpServer server;
        server.setMode(TestHttpServer::Mode::Silent);
        TCppWebBrowser browser;
        EventLog log(&browser);
        browser.Navigate(server.url(), "x=1", kHeader);
        QTest::qWait(50);
        browser.Navigate(env.root() + QStringLiteral("/none.htm"));
        QVERIFY(log.waitFor(2));
        QTest::qWait(100);
        QCOMPARE(log.events, QStringList({"download", "document"}));
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
