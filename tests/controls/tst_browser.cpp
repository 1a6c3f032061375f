#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "controls/TCppWebBrowser.h"
#include "core/Cp950.h"

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

const QByteArray kHeader = "Content-Type: application/x-www-form-urlencoded\r\n";
const QStringList kDone = {"download", "document"};
const QStringList kFailed = {"error", "download", "document"};

// A browser that notes the order in which it raised its events.
class Browser : public TCppWebBrowser {
public:
    Browser() {
        connect(this, &TCppWebBrowser::NavigateError,
                [this] { events << QStringLiteral("error"); });
        connect(this, &TCppWebBrowser::DownloadComplete,
                [this] { events << QStringLiteral("download"); });
        connect(this, &TCppWebBrowser::DocumentComplete,
                [this] { events << QStringLiteral("document"); });
    }
    bool waitFor(qsizetype count, int ms = 15000) {
        return QTest::qWaitFor([&] { return events.size() >= count; }, ms);
    }
    // Posts afresh and returns the events once `count` of them came, or when time ran out.
    QStringList post(const QString& address, const QByteArray& body, qsizetype count = 2,
                     int ms = 15000) {
        events.clear();
        Navigate(address, body, kHeader);
        waitFor(count, ms);
        return events;
    }
    QStringList events;
};

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

        Browser browser;
        browser.Navigate(env.root() + QStringLiteral("/pages/a.htm"));
        // The completion comes later, never inside the call.
        QVERIFY(browser.events.isEmpty());
        QVERIFY(browser.waitFor(2));
        QCOMPARE(browser.events, kDone);
        QVERIFY(browser.toPlainText().contains(QStringLiteral("歡迎使用許功蓋")));
        const QVariant image = browser.document()->resource(
            QTextDocument::ImageResource,
            browser.document()->baseUrl().resolved(QUrl(QStringLiteral("pic.png"))));
        QVERIFY(!image.isNull());

        // A local link opens inside the control; a web link goes to the desktop's browser.
        emit browser.anchorClicked(QUrl(QStringLiteral("b.htm")));
        QVERIFY(browser.waitFor(4));
        QCOMPARE(browser.LocationURL(), env.root() + QStringLiteral("/pages/b.htm"));
        QVERIFY(browser.toPlainText().contains(QStringLiteral("second")));
        // An anchor within the page neither leaves it nor completes anything.
        emit browser.anchorClicked(QUrl(QStringLiteral("#top")));
        QTest::qWait(20);
        QCOMPARE(browser.LocationURL(), env.root() + QStringLiteral("/pages/b.htm"));
        emit browser.anchorClicked(QUrl(QStringLiteral("https://example.com/x")));
        QCOMPARE(env.openedUrls, QList<QUrl>({QUrl(QStringLiteral("https://example.com/x"))}));
        QCOMPARE(browser.events.size(), 4);
    }

    void missingPageShowsItsOwnErrorPage() {
        TestEnvironment env;
        Browser browser;
        browser.Navigate(env.root() + QStringLiteral("/none/index.htm"));
        QVERIFY(browser.waitFor(2));
        QCOMPARE(browser.events, kDone);
        QVERIFY(browser.toPlainText().contains(QStringLiteral("index.htm")));
    }

    void postsTheBytesExactly() {
        TestEnvironment env;
        TestHttpServer server;
        Browser browser;
        const QByteArray body =
            cp950::encode(QStringLiteral("Name=許功蓋&Addr=a&b=c 100%+1&version=3.5"));
        QCOMPARE(browser.post(server.url(QStringLiteral("/orvex/register")), body), kDone);
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
        Browser browser;
        QCOMPARE(browser.post(server.url(QStringLiteral("/old")), "x=1"), kDone);
        QCOMPARE(browser.post(server.url(QStringLiteral("/done")), "y=2"), kDone);
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
        Browser browser;
        server.setStatus(500);
        QCOMPARE(browser.post(server.url(), "x=1", 3), kFailed);
        server.setStatus(302);  // a redirect that names no address
        QCOMPARE(browser.post(server.url(), "x=1", 3), kFailed);

        // A port nobody listens on.
        quint16 closed;
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            closed = probe.serverPort();
        }
        QCOMPARE(browser.post(QStringLiteral("http://127.0.0.1:%1/r").arg(closed), "x=1", 3),
                 kFailed);

        // A server that takes the request and never answers.
        server.setMode(TestHttpServer::Mode::Silent);
        TCppWebBrowser::setTransferTimeoutMs(300);
        QCOMPARE(browser.post(server.url(), "x=1", 3), kFailed);

        // No address at all.
        QCOMPARE(browser.post(QString(), QByteArray(), 3), kFailed);
    }

    void aDroppedConnectionIsOneFailedPost() {
        TestEnvironment env;
        TestHttpServer server;
        Browser browser;
        const QByteArray body = cp950::encode(QStringLiteral("Name=許功蓋&version=3.5"));
        for (const auto mode : {TestHttpServer::Mode::Close, TestHttpServer::Mode::Reset}) {
            server.setMode(mode);
            const qsizetype before = server.requests().size();
            QCOMPARE(browser.post(server.url(), body, 3), kFailed);
            QTest::qWait(200);
            QCOMPARE(server.requests().size(), before + 1);
            QCOMPARE(server.requests().back().body, body);
        }
        // The same browser still posts once and succeeds afterwards, an empty body included.
        server.setMode(TestHttpServer::Mode::Answer);
        QCOMPARE(browser.post(server.url(), QByteArray()), kDone);
        QCOMPARE(server.requests().size(), 3);
        QCOMPARE(server.requests().back().header("Content-Length"), QByteArray("0"));
    }

    void aHugeAnswerIsDroppedAsItComes() {
        TestEnvironment env;
        TestHttpServer server;
        constexpr qint64 huge = 16 * 1024 * 1024;
        server.setMode(TestHttpServer::Mode::Flood);
        server.setFloodBytes(huge);
        Browser browser;
        const qint64 base = heapInUse();
        qint64 peak = base;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, heapInUse()); });
        sampler.start(2);
        QCOMPARE(browser.post(server.url(), "x=1", 2, 60000), kDone);
        QVERIFY2(peak - base < huge / 2, qPrintable(QString::number(peak - base)));
    }

    void aNewNavigationReplacesAPendingPost() {
        TestEnvironment env;
        TestHttpServer server;
        server.setMode(TestHttpServer::Mode::Silent);
        Browser browser;
        browser.Navigate(server.url(), "x=1", kHeader);
        QTest::qWait(50);
        browser.Navigate(env.root() + QStringLiteral("/none.htm"));
        QVERIFY(browser.waitFor(2));
        QTest::qWait(100);
        QCOMPARE(browser.events, kDone);
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
