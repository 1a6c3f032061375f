#include "core/Cp950.h"
#include "platform/Error.h"
#include "tools/receiver/ReceiverServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

const QString kTool = QStringLiteral(ORVEX_BUILD_OUT "/orvexreg-receiver");

// 許 is B3 5C and 功 is A5 5C: their trail byte is a backslash. Values hold "&" and "=".
const QString kText = QStringLiteral(
    "Name=許功蓋&Comp_Name=A&B=C 公司&Address=臺北市信義路5段&Note=a=b&&c&version=3.5");

QByteArray big5Body() {
    return cp950::encode(kText);
}

// A server on a free port over a fresh database, served by this thread's event loop, its
// control enabled.
struct Fixture {
    explicit Fixture(ReceiverMode mode = ReceiverMode::Ok, const ReceiverLimits& limits = {})
        : server(store, mode, limits) {
        server.setControlEnabled(true);
        if (!server.listen(0)) {
            qFatal("cannot listen: %s", qPrintable(server.errorString()));
        }
    }
    QUrl url(const QString& target) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(target));
    }

    QTemporaryDir dir;
    ReceiverStore store{dir.filePath(QStringLiteral("receiver.sqlite3"))};
    ReceiverServer server;
};

struct Answer {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;  // 0: no HTTP answer at all
    QByteArray contentType;
    QByteArray body;
};

Answer finish(QNetworkReply* raw) {
    std::unique_ptr<QNetworkReply> reply(raw);
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!finished.wait(15000)) {
        qWarning("no reply within 15 s");
        return {};
    }
    return {reply->error(), reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            reply->rawHeader("Content-Type"), reply->isOpen() ? reply->readAll() : QByteArray()};
}

// The program's own upload: one POST, one Content-Type header, the body as it is.
Answer post(QNetworkAccessManager& nam, const QUrl& url, const QByteArray& body,
            int transferTimeoutMs = 0) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArray("application/x-www-form-urlencoded"));
    request.setTransferTimeout(transferTimeoutMs);
    return finish(nam.post(request, body));
}

Answer get(QNetworkAccessManager& nam, const QUrl& url) {
    return finish(nam.get(QNetworkRequest(url)));
}

struct Exchange {
    QByteArray received;
    bool closedByServer = false;
};

// Sends the pieces one at a time, letting the server read each before the next, then collects
// what comes back until the server closes the connection or waitMs pass.
Exchange exchange(quint16 port, const QList<QByteArray>& pieces, int waitMs = 5000) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QElapsedTimer timer;
    timer.start();
    while (socket.state() != QAbstractSocket::ConnectedState && timer.elapsed() < 5000) {
        QTest::qWait(5);
    }
    Exchange result;
    for (const QByteArray& piece : pieces) {
        socket.write(piece);
        socket.flush();
        QTest::qWait(60);
        result.received += socket.readAll();
    }
    timer.restart();
    while (socket.state() != QAbstractSocket::UnconnectedState && timer.elapsed() < waitMs) {
        QTest::qWait(5);
        result.received += socket.readAll();
    }
    result.received += socket.readAll();
    result.closedByServer = socket.state() == QAbstractSocket::UnconnectedState;
    return result;
}

// The head of the server's answer to one request, however long it takes to come.
QByteArray answerHead(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request);
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (!got.contains("\r\n\r\n") && timer.elapsed() < 15000) {
        QTest::qWait(5);
        got += socket.readAll();
    }
    return got;
}

// The Host line a client of the receiver on this port sends.
QByteArray host(quint16 port) {
    return "Host: 127.0.0.1:" + QByteArray::number(port) + "\r\n";
}

QByteArray rawPost(quint16 port, const QByteArray& target, const QByteArray& body,
                   const QByteArray& extra = QByteArray()) {
    return "POST " + target + " HTTP/1.1\r\n" + host(port) + extra +
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

struct Run {
    int code = -1;
    QByteArray out;
    QString err;
};

Run runTool(const QStringList& args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(kTool, args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        qWarning("%s did not finish", qPrintable(args.join(u' ')));
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

// Starts the real receiver and returns the port of its first output line, or 0.
quint16 startTool(QProcess& p, const QStringList& args,
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                  const QString& program = kTool) {
    p.setProcessEnvironment(env);
    p.start(program, args);
    QElapsedTimer timer;
    timer.start();
    while (!p.canReadLine() && p.state() != QProcess::NotRunning && timer.elapsed() < 30000) {
        p.waitForReadyRead(100);
    }
    const QString line = QString::fromUtf8(p.readLine());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\\n$")).match(line);
    if (!m.hasMatch()) {
        qWarning("unexpected first line %s; stderr: %s", qPrintable(line),
                 p.readAllStandardError().constData());
        return 0;
    }
    return static_cast<quint16>(m.captured(1).toUInt());
}

// Arguments for bash to start the receiver as a service manager does: without arguments, its
// own pid named, and descriptor 3 set up by `redirect`.
QStringList handedOver(const QString& redirect) {
    return {QStringLiteral("-c"),
            QStringLiteral("export LISTEN_PID=$$ LISTEN_FDS=1; exec \"$0\" 3") + redirect, kTool};
}

}  // namespace

class TestReceiver : public QObject {
    Q_OBJECT
private slots:
    void big5BodyIsStoredAndDumpedByteForByte() {
        Fixture f;
        const QByteArray body = big5Body();
        QVERIFY(body.contains("\xB3\x5C") && body.contains("\xA5\x5C"));
        QNetworkAccessManager nam;
        const Answer a = post(nam, f.url(QStringLiteral("/orvex/register?from=test")), body);
        QCOMPARE(a.status, 200);
        QCOMPARE(a.contentType, QByteArray("text/html; charset=big5"));
        QVERIFY(cp950::decode(a.body).contains(QStringLiteral("註冊資料已收到")));

        const QList<RecordedPost> posts = f.store.all();
        QCOMPARE(posts.size(), 1);
        const RecordedPost& p = posts.front();
        QCOMPARE(p.body, body);
        QCOMPARE(p.method, QStringLiteral("POST"));
        QCOMPARE(p.path, QStringLiteral("/orvex/register?from=test"));
        QVERIFY(p.headers.contains("Content-Type: application/x-www-form-urlencoded\r\n"));
        QVERIFY(p.headers.contains("Content-Length: " + QByteArray::number(body.size()) + "\r\n"));
        QVERIFY(!p.headers.contains("POST"));
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}"
                                              "(Z|[+-]\\d\\d:\\d\\d)$"))
                .match(p.received)
                .hasMatch(),
            qPrintable(p.received));

        // The dump reads the file while this server still has it open.
        const QString db = f.store.path();
        const Run raw = runTool({QStringLiteral("dump"), QStringLiteral("--db"), db,
                                 QStringLiteral("--raw"), QString::number(p.id)});
        QCOMPARE(raw.code, 0);
        QCOMPARE(raw.out, body);

        const Run dump = runTool({QStringLiteral("dump"), QStringLiteral("--db"), db});
        QCOMPARE(dump.code, 0);
        const QString text = QString::fromUtf8(dump.out);
        QVERIFY2(text.startsWith(QStringLiteral("#%1  %2\n").arg(p.id).arg(p.received)),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("POST /orvex/register?from=test HTTP/1.1\n")));
        QVERIFY(
            text.contains(QStringLiteral("\nContent-Type: application/x-www-form-urlencoded\n")));
        QVERIFY(text.contains(u'\n' + kText + u'\n'));
        for (const QString& line :
             {QStringLiteral("\n  Name=許功蓋\n"), QStringLiteral("\n  B=C 公司\n"),
              QStringLiteral("\n  Note=a=b\n  \n  c\n  version=3.5\n")}) {
            QVERIFY2(text.contains(line), qPrintable(line));
        }
    }

    void dumpShowsOddBodiesSafely() {
        Fixture f;
        QNetworkAccessManager nam;
        // Control bytes, a byte that is no Big5 and a line break inside a value.
        QCOMPARE(
            post(nam, f.url(QStringLiteral("/r")), QByteArray("a=\x1b\x80\xff&b=1\r\n2")).status,
            200);
        QCOMPARE(post(nam, f.url(QStringLiteral("/r")), QByteArray()).status, 200);
        // A path that the head checks no longer let in, recorded before them.
        RecordedPost old;
        old.method = QStringLiteral("POST");
        old.path = QStringLiteral("/a\x1b[2J\a\r");
        old.version = QStringLiteral("HTTP/1.1");
        f.store.add(old);
        const Run dump = runTool({QStringLiteral("dump"), QStringLiteral("--db"), f.store.path()});
        QCOMPARE(dump.code, 0);
        const QString text = QString::fromUtf8(dump.out);
        QVERIFY2(text.contains(QStringLiteral("\na=\\x1b\\x80\uFFFD&b=1\\x0d\\x0a2\n")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("dump --raw 1")));
        QVERIFY(text.contains(QStringLiteral("\n#2  ")));
        QVERIFY(text.contains(QStringLiteral("body: empty")));
        QCOMPARE(f.store.find(2)->body, QByteArray());
        QVERIFY(text.contains(QStringLiteral("\nPOST /a\\x1b[2J\\x07\\x0d HTTP/1.1\n")));

        const Run missing = runTool({QStringLiteral("dump"), QStringLiteral("--db"), f.store.path(),
                                     QStringLiteral("--raw"), QStringLiteral("9")});
        QVERIFY(missing.code != 0);
        QVERIFY(missing.err.contains(QStringLiteral("no post with id 9")));
    }

    void answersFollowTheModeAndItsSwitch() {
        Fixture f(ReceiverMode::Error);
        QNetworkAccessManager nam;
        const QUrl target = f.url(QStringLiteral("/orvex/register"));
        const Answer failed = post(nam, target, big5Body());
        QCOMPARE(failed.status, 500);
        QCOMPARE(failed.error, QNetworkReply::InternalServerError);
        QCOMPARE(f.store.all().size(), 1);

        const Answer toOk = get(nam, f.url(QStringLiteral("/_control/mode?set=ok")));
        QCOMPARE(toOk.status, 200);
        QCOMPARE(toOk.body, QByteArray("mode=ok\n"));
        QCOMPARE(f.server.mode(), ReceiverMode::Ok);
        QCOMPARE(post(nam, target, big5Body()).status, 200);

        QCOMPARE(get(nam, f.url(QStringLiteral("/_control/mode?set=loud"))).status, 400);
        QCOMPARE(f.server.mode(), ReceiverMode::Ok);
        QCOMPARE(get(nam, f.url(QStringLiteral("/_control/mode"))).body, QByteArray("mode=ok\n"));
        QCOMPARE(get(nam, f.url(QStringLiteral("/_control/other"))).status, 404);
        QCOMPARE(get(nam, f.url(QStringLiteral("/_control/mode?set=error"))).body,
                 QByteArray("mode=error\n"));
        QCOMPARE(post(nam, target, big5Body()).status, 500);
        // Control requests and other GETs are answered but never recorded.
        QCOMPARE(get(nam, f.url(QStringLiteral("/orvex/register"))).status, 500);
        QCOMPARE(f.store.all().size(), 3);

        // Without the control, a control request is one more GET.
        f.server.setControlEnabled(false);
        QCOMPARE(get(nam, f.url(QStringLiteral("/_control/mode?set=ok"))).status, 500);
        QCOMPARE(f.server.mode(), ReceiverMode::Error);
    }

    void silentModeRecordsButNeverAnswers() {
        QTcpSocket waiting;  // still waiting when the server ends
        Fixture f(ReceiverMode::Silent);
        QNetworkAccessManager nam;
        QElapsedTimer timer;
        timer.start();
        const Answer a = post(nam, f.url(QStringLiteral("/orvex/register")), big5Body(), 700);
        QVERIFY(timer.elapsed() >= 600);
        QCOMPARE(a.status, 0);
        QCOMPARE(a.error, QNetworkReply::OperationCanceledError);
        QCOMPARE(f.store.all().size(), 1);
        QCOMPARE(f.store.all().front().body, big5Body());

        // Even a client that asks for the connection to be closed is left waiting.
        const Exchange raw = exchange(
            f.server.port(), {rawPost(f.server.port(), "/r", "x=1", "Connection: close\r\n")}, 500);
        QCOMPARE(raw.received, QByteArray());
        QVERIFY(!raw.closedByServer);
        QCOMPARE(f.store.all().size(), 2);
        waiting.connectToHost(QHostAddress::LocalHost, f.server.port());
        waiting.write(rawPost(f.server.port(), "/r", "y=2"));
        QTRY_COMPARE(f.store.all().size(), 3);

        // The control still answers, or silence could never be ended.
        QCOMPARE(get(nam, f.url(QStringLiteral("/_control/mode?set=ok"))).status, 200);
        QCOMPARE(post(nam, f.url(QStringLiteral("/orvex/register")), big5Body(), 5000).status, 200);
    }

    void bodiesInPiecesAndOneRequestPerConnection() {
        Fixture f;
        const quint16 port = f.server.port();
        const QByteArray body = big5Body();
        // Split inside the double-byte 許 and again in the middle of the body.
        const qsizetype cut = body.indexOf("\xB3\x5C") + 1;
        const QByteArray request = rawPost(port, "/split", body);
        const qsizetype headEnd = request.indexOf("\r\n\r\n") + 4;
        const Exchange split =
            exchange(port,
                     {request.left(20), request.mid(20, headEnd - 20 + cut),
                      request.mid(headEnd + cut, 7), request.mid(headEnd + cut + 7)},
                     300);
        QVERIFY2(split.received.startsWith("HTTP/1.1 200 OK\r\n"), split.received.constData());
        QVERIFY(split.received.contains("Connection: close\r\n"));
        QVERIFY(split.closedByServer);
        QCOMPARE(f.store.all().back().body, body);
        QCOMPARE(f.store.all().back().headers,
                 host(port) +
                     "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                     QByteArray::number(body.size()) + "\r\n");

        // A request behind the first on its connection is never read: its head went unchecked.
        const Exchange reuse =
            exchange(port, {rawPost(port, "/one", "a=1") + rawPost(port, "/two", "b=2"),
                            rawPost(port, "/three", "c=3")});
        QCOMPARE(reuse.received.count("HTTP/1.1 "), 1);
        QVERIFY(reuse.closedByServer);
        const QList<RecordedPost> posts = f.store.all();
        QCOMPARE(posts.size(), 2);
        QCOMPARE(posts[1].path, QStringLiteral("/one"));
        QCOMPARE(posts[1].body, QByteArray("a=1"));

        // HTTP/1.0 closes after the answer unless asked to keep the connection.
        const Exchange old = exchange(port, {"POST /old HTTP/1.0\r\nContent-Length: 3\r\n\r\nd=4"});
        QVERIFY(old.received.startsWith("HTTP/1.1 200 OK\r\n"));
        QVERIFY(old.closedByServer);

        // A client that waits for 100 Continue before it sends the body (curl does).
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE(socket.state(), QAbstractSocket::ConnectedState);
        socket.write("POST /expect HTTP/1.1\r\n" + host(port) +
                     "Expect: 100-continue\r\nContent-Length: 3\r\n\r\n");
        QByteArray got;
        QTRY_VERIFY((got += socket.readAll()).contains("\r\n\r\n"));
        QCOMPARE(got, QByteArray("HTTP/1.1 100 Continue\r\n\r\n"));
        socket.write("e=5");
        QTRY_VERIFY((got += socket.readAll()).contains("HTTP/1.1 200 OK\r\n"));
        QCOMPARE(f.store.all().back().body, QByteArray("e=5"));

        // A body sent in chunks is recorded decoded.
        QVERIFY(exchange(port,
                         {"POST /c HTTP/1.1\r\n" + host(port) +
                          "Transfer-Encoding: chunked\r\n\r\n2\r\nf=\r\n1\r\n6\r\n0\r\n\r\n"},
                         300)
                    .received.startsWith("HTTP/1.1 200 OK\r\n"));
        QCOMPARE(f.store.all().back().body, QByteArray("f=6"));
        QCOMPARE(f.store.all().size(), 5);
    }

    void malformedRequestsAreRefusedAndServingGoesOn() {
        Fixture f;
        const quint16 port = f.server.port();
        const QByteArray h = host(port);
        const QByteArray start = "POST /r HTTP/1.1\r\n";
        const QByteArray nul(1, '\0');
        QByteArray junk;
        for (int i = 0; i < 256; ++i) {
            junk += static_cast<char>(i);
        }
        // An empty status: closed without an answer. Every answer comes at once, before any body.
        const QList<QPair<QByteArray, QByteArray>> cases = {
            {"GARBAGE\r\n\r\n", ""},
            {junk + "\r\n\r\n", "400"},
            {"POST /r\r\n\r\n", "400"},
            {"POST /r HTTP/2.0\r\n" + h + "\r\n", "505"},
            {start + "Content-Length: 0\r\n\r\n", "400"},  // no Host
            {start + "Host h\r\n\r\n", "400"},
            {start + "Host : h\r\n\r\n", "400"},
            {start + h + " folded\r\n\r\n", "400"},
            {start + h + "Content-Length: abc\r\n\r\n", "400"},
            {start + h + "Content-Length: -1\r\n\r\n", "400"},
            // Where the body ends would be a guess.
            {start + h + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", "400"},
            {start + h +
                 "Content-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
             "400"},
            // Heads the library would read otherwise than their sender meant: a length it would
            // not see, letting a POST hidden in the body pass for a request of its own, a folded
            // line, NUL and a lone CR in a header or the path, two hosts.
            {start + h + "Content-Length : 60\r\n\r\n" + rawPost(port, "/hidden", "x=1"), "400"},
            {start + h + "X-A: 1\r\n b\r\nContent-Length: 0\r\n\r\n", "400"},
            {start + h + "Content-Length:\r\n 3\r\n\r\nx=1", "400"},
            {start + h + "X-A: a" + nul + "b\r\nContent-Length: 0\r\n\r\n", "400"},
            {"POST /r" + nul + "x HTTP/1.1\r\n" + h + "Content-Length: 0\r\n\r\n", "400"},
            {start + h + "X-A: a\rb\r\nContent-Length: 0\r\n\r\n", "400"},
            {"POST /r\rx HTTP/1.1\r\n" + h + "Content-Length: 0\r\n\r\n", "400"},
            {start + h + h + "Content-Length: 0\r\n\r\n", "400"},
            {start + h + "Transfer-Encoding: gzip\r\n\r\n", "501"},
            {start + h + "Transfer-Encoding: gzip, chunked\r\n\r\n", "501"},
            // Only a POST's body is read; the others are refused before theirs comes.
            {"PUT /r HTTP/1.1\r\n" + h + "Content-Length: 5\r\n\r\n", "400"},
            {"GET /r HTTP/1.1\r\n" + h + "Transfer-Encoding: chunked\r\n\r\n", "400"},
            {start + h + "Content-Length: 99999999999999999999\r\n\r\n", "413"},
            {start + h + "Content-Length: 999999999\r\n\r\n", "413"},
            {start + h + "X-Long: " + QByteArray(70000, 'a'), "431"},
            // What a web page in a browser on this machine sends.
            {rawPost(port, "/r", "x=1", "Origin: http://example.com\r\n"), "403"},
            {rawPost(port, "/r", "x=1", "Origin: null\r\n"), "403"},
            {"GET /_control/mode?set=silent HTTP/1.1\r\n" + h + "Origin: null\r\n\r\n", "403"},
            // A page's image or link: no Origin, but where it came from.
            {"GET /_control/mode?set=silent HTTP/1.1\r\n" + h +
                 "Sec-Fetch-Site: cross-site\r\n\r\n",
             "403"},
            {"GET /_control/mode?set=silent HTTP/1.1\r\n" + h + "Referer: http://x.test/\r\n\r\n",
             "403"},
            {"POST /r HTTP/1.1\r\nHost: rebound.example:" + QByteArray::number(port) +
                 "\r\nContent-Length: 0\r\n\r\n",
             "403"},
            {"POST /r HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n", "403"},
        };
        for (const auto& [request, status] : cases) {
            const Exchange e = exchange(port, {request});
            const QByteArray label = request.left(40).toPercentEncoding(" /:\\");
            QVERIFY2(status.isEmpty() ? e.received.isEmpty()
                                      : e.received.startsWith("HTTP/1.1 " + status + ' '),
                     (label + " -> " + e.received.left(40)).constData());
            QVERIFY2(e.closedByServer, label.constData());
        }
        // A client that goes away in the middle of a body.
        {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            QTRY_COMPARE(socket.state(), QAbstractSocket::ConnectedState);
            socket.write(start + h + "Content-Length: 100\r\n\r\nx=1");
            socket.flush();
            QTest::qWait(50);
            socket.abort();
            QTest::qWait(50);
        }
        QCOMPARE(f.store.all().size(), 0);
        QCOMPARE(f.server.mode(), ReceiverMode::Ok);

        // The names of this receiver, and no name at all from an HTTP/1.0 tool, are served.
        const QByteArray portText = QByteArray::number(port);
        for (const QByteArray& name : {"Host: LOCALHOST:" + portText + "\r\n",
                                       "Host: localhost:" + portText + "\r\n", QByteArray()}) {
            const QByteArray version = name.isEmpty() ? "HTTP/1.0" : "HTTP/1.1";
            QVERIFY2(exchange(port, {"POST /r " + version + "\r\n" + name +
                                     "Content-Length: 3\r\n\r\nx=1"})
                         .received.startsWith("HTTP/1.1 200 OK\r\n"),
                     name.constData());
        }
        QNetworkAccessManager nam;
        QCOMPARE(post(nam, f.url(QStringLiteral("/orvex/register")), big5Body()).status, 200);
        QCOMPARE(f.store.all().size(), 4);
    }

    void idleConnectionsAreClosedWhileAPostIsServed() {
        ReceiverLimits limits;
        limits.idleTimeoutSeconds = 1;
        limits.maxConnections = 6;
        Fixture f(ReceiverMode::Ok, limits);
        // Clients that fill every place and then stall: silent, in the head, in the body.
        const QByteArray stalls[] = {
            "", "POST /r HTTP/1.1\r\nHo",
            "POST /r HTTP/1.1\r\n" + host(f.server.port()) + "Content-Length: 9\r\n\r\nx="};
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < limits.maxConnections; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QHostAddress::LocalHost, f.server.port());
            idle.back()->write(stalls[i % 3]);
        }
        const auto all = [&idle](QAbstractSocket::SocketState state) {
            return std::all_of(idle.begin(), idle.end(),
                               [state](const auto& socket) { return socket->state() == state; });
        };
        QTRY_VERIFY(all(QAbstractSocket::ConnectedState));

        // The POST takes the place of one without a head; the idle timeout closes the others,
        // long before the head and body deadlines would.
        QNetworkAccessManager nam;
        QCOMPARE(post(nam, f.url(QStringLiteral("/orvex/register")), big5Body()).status, 200);
        QTRY_VERIFY_WITH_TIMEOUT(all(QAbstractSocket::UnconnectedState), 5000);
        QCOMPARE(f.store.all().size(), 1);
    }

    void slowClientsAreClosedAndUnfinishedHeadsMakeRoom() {
        ReceiverLimits limits;
        limits.headTimeoutMs = 600;
        limits.bodyTimeoutMs = 600;
        limits.minBodyRate = 1000;
        Fixture f(ReceiverMode::Ok, limits);
        const quint16 port = f.server.port();
        // Never idle, as each sends a byte every 50 ms, yet one head and one body would take
        // far longer than allowed.
        const QByteArray head = "POST /r HTTP/1.1\r\n" + host(port) + "Content-Length: 900\r\n";
        QTcpSocket slow[2];
        qint64 closedAfter[2] = {-1, -1};
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 2; ++i) {
            connect(&slow[i], &QTcpSocket::disconnected, this,
                    [&, i] { closedAfter[i] = clock.elapsed(); });
            slow[i].connectToHost(QHostAddress::LocalHost, port);
            slow[i].write(i == 0 ? head + "X-Pad: " : head + "\r\n");
        }
        QTimer trickle;
        connect(&trickle, &QTimer::timeout, this, [&slow] {
            for (QTcpSocket& socket : slow) {
                if (socket.state() == QAbstractSocket::ConnectedState) {
                    socket.write("x");
                }
            }
        });
        trickle.start(50);
        QNetworkAccessManager nam;
        QCOMPARE(post(nam, f.url(QStringLiteral("/orvex/register")), big5Body()).status, 200);
        QTRY_VERIFY_WITH_TIMEOUT(closedAfter[0] >= 0 && closedAfter[1] >= 0, 5000);
        for (int i = 0; i < 2; ++i) {
            QVERIFY2(closedAfter[i] >= 500, qPrintable(QString::number(closedAfter[i])));
            QCOMPARE(slow[i].readAll(), QByteArray());
        }
        QCOMPARE(f.store.all().size(), 1);

        // With every place held, a newcomer takes the place of the oldest head still on its way
        // at once, or of the oldest body still coming after a second, rather than waiting for
        // the 10 s deadlines.
        for (const bool bodies : {false, true}) {
            ReceiverLimits few;
            few.maxConnections = 3;
            Fixture full(ReceiverMode::Ok, few);
            const QByteArray holding = bodies ? "POST /r HTTP/1.1\r\n" + host(full.server.port()) +
                                                    "Content-Length: 9\r\n\r\nx="
                                              : QByteArray("POST /r HTTP/1.1\r\n");
            QTcpSocket waiting[3];
            for (QTcpSocket& socket : waiting) {
                socket.connectToHost(QHostAddress::LocalHost, full.server.port());
                socket.write(holding);
                QTRY_COMPARE(full.server.openConnections(), int(&socket - waiting) + 1);
            }
            clock.restart();
            QCOMPARE(post(nam, full.url(QStringLiteral("/orvex/register")), big5Body()).status,
                     200);
            QVERIFY(clock.elapsed() < 5000);
            const auto gone = [&waiting] {
                return std::count_if(std::begin(waiting), std::end(waiting), [](const auto& s) {
                    return s.state() == QAbstractSocket::UnconnectedState;
                });
            };
            QTRY_COMPARE(gone(), 1);
            // Heads give way in the order they came; bodies that began in one turn have none.
            QVERIFY(bodies || waiting[0].state() == QAbstractSocket::UnconnectedState);
            QCOMPARE(full.store.all().size(), 1);
        }
    }

    void postsPastTheDatabaseCapAreRefusedWhole() {
        Fixture f;
        f.store.setMaxSize(96 * 1024);
        QNetworkAccessManager nam;
        const auto body = [](int n) { return QByteArray::number(n) + '=' + QByteArray(6000, 'v'); };
        Answer last;
        int stored = 0;
        while ((last = post(nam, f.url(QStringLiteral("/r")), body(stored))).status == 200 &&
               stored < 100) {
            ++stored;
        }
        QCOMPARE(last.status, 507);
        QVERIFY(stored > 3);
        const QList<RecordedPost> posts = f.store.all();
        QCOMPARE(posts.size(), stored);
        for (int i = 0; i < stored; ++i) {
            QCOMPARE(posts[i].body, body(i));
        }
        QVERIFY(QFileInfo(f.store.path()).size() <= 96 * 1024);
        // A small post may still fit; a full database is no reason to stop answering.
        QCOMPARE(get(nam, f.url(QStringLiteral("/_control/mode"))).status, 200);
    }

    void silenceEndsForHungUpAndCrowdingClients() {
        ReceiverLimits limits;
        limits.maxConnections = 3;
        Fixture f(ReceiverMode::Silent, limits);
        const quint16 port = f.server.port();
        // Clients that post into the silence and give up free their places.
        for (int i = 1; i <= limits.maxConnections; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            socket.write(rawPost(port, "/r", "x=1"));
            QTRY_COMPARE(f.store.all().size(), i);
            socket.abort();
        }
        QTRY_COMPARE(f.server.openConnections(), 0);
        // Clients that wait take every place; the control still gets one, from the oldest.
        QTcpSocket waiting[3];
        for (QTcpSocket& socket : waiting) {
            socket.connectToHost(QHostAddress::LocalHost, port);
            socket.write(rawPost(port, "/r", "y=2"));
            QTRY_COMPARE(f.store.all().size(), limits.maxConnections + int(&socket - waiting) + 1);
        }
        QNetworkAccessManager nam;
        QCOMPARE(get(nam, f.url(QStringLiteral("/_control/mode?set=ok"))).status, 200);
        QTRY_COMPARE(waiting[0].state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(waiting[0].readAll(), QByteArray());
        QCOMPARE(post(nam, f.url(QStringLiteral("/r")), big5Body()).status, 200);
    }

    void aRecordedPostIsAnsweredWhateverFailsAfter() {
        Fixture f;
        connect(&f.server, &ReceiverServer::recorded, this,
                [](qint64) { throw Error(QStringLiteral("the log line failed")); });
        QSignalSpy messages(&f.server, &ReceiverServer::libraryMessage);
        QNetworkAccessManager nam;
        QCOMPARE(post(nam, f.url(QStringLiteral("/r")), big5Body()).status, 200);
        QCOMPARE(f.store.all().size(), 1);
        QCOMPARE(messages.size(), 1);
        QVERIFY(
            messages.front().front().toString().contains(QStringLiteral("the log line failed")));
    }

    void bodiesBeyondTheLimitsAreRefused() {
        ReceiverLimits limits;
        limits.maxBody = 1000;
        limits.maxHeldBodies = 1400;
        Fixture f(ReceiverMode::Ok, limits);
        const QByteArray chunked =
            "POST /r HTTP/1.1\r\n" + host(f.server.port()) + "Transfer-Encoding: chunked\r\n\r\n";
        const auto expect = [&f](const QByteArray& request, const QByteArray& status) {
            const QByteArray got = answerHead(f.server.port(), request);
            return got.startsWith("HTTP/1.1 " + status + ' ') ||
                   (qWarning() << request.left(60) << "->" << got.left(40), false);
        };
        QVERIFY(expect(rawPost(f.server.port(), "/r", QByteArray(1001, 'd')), "413"));
        // The library takes no answer in the middle of a body, so a chunked one is cut off as
        // it crosses the limit rather than read to an end that need never come.
        const Exchange cut =
            exchange(f.server.port(), {chunked + "3e9\r\n" + QByteArray(1001, 'e')});
        QVERIFY(cut.closedByServer);
        QCOMPARE(cut.received, QByteArray());
        // A body on its way holds the bytes received so far, not the length it announced.
        QTcpSocket first;
        first.connectToHost(QHostAddress::LocalHost, f.server.port());
        first.write(rawPost(f.server.port(), "/held", QByteArray(800, 'a')).chopped(100));
        QTRY_COMPARE(f.server.heldBytes(), 700);
        QVERIFY(expect(rawPost(f.server.port(), "/r", QByteArray(800, 'b')), "503"));
        QVERIFY(expect(chunked + "320\r\n" + QByteArray(800, 'c') + "\r\n0\r\n\r\n", "503"));
        QVERIFY(expect(rawPost(f.server.port(), "/r", QByteArray(700, 'f')), "200"));
        first.write(QByteArray(100, 'a'));
        QByteArray got;
        QTRY_VERIFY((got += first.readAll()).contains("\r\n\r\n"));
        QVERIFY(got.startsWith("HTTP/1.1 200 OK\r\n"));
        QCOMPARE(f.store.all().size(), 2);
        QCOMPARE(f.store.all().back().body, QByteArray(800, 'a'));
        // Its bytes are given back: the same body is taken again.
        QCOMPARE(f.server.heldBytes(), 0);
        QVERIFY(expect(rawPost(f.server.port(), "/r", QByteArray(800, 'g')), "200"));
    }

    void quietServerStopsTakingConnections() {
        Fixture f;
        QSignalSpy quiet(&f.server, &ReceiverServer::quiet);
        f.server.setQuietInterval(200);
        QTcpSocket slow;  // a request still coming in keeps the server
        slow.connectToHost(QHostAddress::LocalHost, f.server.port());
        slow.write("POST /r HTTP/1.1\r\n");
        QTRY_COMPARE(f.server.openConnections(), 1);
        QTest::qWait(500);
        QCOMPARE(quiet.count(), 0);
        slow.abort();
        QVERIFY(quiet.wait(5000));
        // Later clients are left to whoever listens next.
        QCOMPARE(exchange(f.server.port(), {rawPost(f.server.port(), "/r", "a=1")}, 300).received,
                 QByteArray());
        QCOMPARE(f.store.all().size(), 0);
    }

    void executableStartsOnceAndReportsFailures() {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("r.sqlite3"));
        QProcess first;
        const quint16 port =
            startTool(first, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--db"),
                              db, QStringLiteral("--mode"), QStringLiteral("error"),
                              QStringLiteral("--max-body-kib"), QStringLiteral("1")});
        QVERIFY(port != 0);

        const Run second = runTool({QStringLiteral("--port"), QString::number(port),
                                    QStringLiteral("--db"), dir.filePath(QStringLiteral("s"))});
        QVERIFY(second.code != 0);
        QVERIFY2(second.err.contains(QStringLiteral("127.0.0.1:%1").arg(port)),
                 qPrintable(second.err));
        QVERIFY(second.out.isEmpty());

        QNetworkAccessManager nam;
        const QUrl url(QStringLiteral("http://127.0.0.1:%1/orvex/register").arg(port));
        QCOMPARE(post(nam, url, big5Body()).status, 500);
        QCOMPARE(post(nam, url, QByteArray(1025, 'x')).status, 413);
        first.kill();
        first.waitForFinished();
        QCOMPARE(first.readAllStandardOutput(), QByteArray());  // nothing after the first line
        QCOMPARE(runTool({QStringLiteral("dump"), QStringLiteral("--db"), db,
                          QStringLiteral("--raw"), QStringLiteral("1")})
                     .out,
                 big5Body());

        QFile foreign(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write("not a database\n");
        foreign.close();
        const QList<QStringList> failing = {
            {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--db"),
             foreign.fileName()},
            {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--db"),
             foreign.fileName() + QStringLiteral("/inside/r.sqlite3")},
            {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--db"), dir.path()},
            {QStringLiteral("--mode"), QStringLiteral("loud")},
            {QStringLiteral("--port"), QStringLiteral("70000")},
            {QStringLiteral("--port")},
            {QStringLiteral("dump"), QStringLiteral("--port"), QStringLiteral("1")},
            {QStringLiteral("--max-body-kib"), QStringLiteral("0")},
            {QStringLiteral("--max-db-mib"), QStringLiteral("-1")},
            {QStringLiteral("dump"), QStringLiteral("--max-db-mib"), QStringLiteral("1")},
            {QStringLiteral("dump"), QStringLiteral("--db"), dir.filePath(QStringLiteral("no"))},
        };
        for (const QStringList& args : failing) {
            const Run run = runTool(args);
            QVERIFY2(run.code > 0, qPrintable(args.join(u' ')));
            QVERIFY2(run.err.startsWith(QStringLiteral("orvexreg-receiver: ")),
                     qPrintable(run.err));
        }
        QVERIFY(foreign.open(QIODevice::ReadOnly));
        QCOMPARE(foreign.readAll(), QByteArray("not a database\n"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no"))));

        const Run help = runTool({QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.startsWith("usage: orvexreg-receiver"));
    }

    void servesTheSocketAServiceManagerHandsOver() {
        // A listening loopback socket that a child inherits, as a socket unit holds one.
        const int raw = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        QVERIFY(::bind(raw, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0);
        QVERIFY(::listen(raw, 8) == 0);
        QVERIFY(::getsockname(raw, reinterpret_cast<sockaddr*>(&addr), &len) == 0);
        const int fd = ::fcntl(raw, F_DUPFD, 10);
        ::close(raw);
        const quint16 port = ntohs(addr.sin_port);

        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        QProcess tool;
        const quint16 served = startTool(tool, handedOver(QStringLiteral("<&%1 %1<&-").arg(fd)),
                                         env, QStringLiteral("/bin/bash"));
        ::close(fd);
        QCOMPARE(served, port);
        // A "%" and a digit in the target stay as they are in the log line.
        const QByteArray target = "/orvex/a%2e%4b?x=%1";
        QVERIFY(exchange(port, {rawPost(port, target, big5Body(), "Connection: close\r\n")})
                    .received.startsWith("HTTP/1.1 200 OK\r\n"));
        tool.kill();
        tool.waitForFinished();
        QCOMPARE(QString::fromUtf8(tool.readAllStandardError()).section(u'\n', 1, 1),
                 "#1 POST " + QString::fromLatin1(target) + ", " +
                     QString::number(big5Body().size()) + " bytes");
        const Run dump =
            runTool({QStringLiteral("dump"), QStringLiteral("--raw"), QStringLiteral("1")}, env);
        QCOMPARE(dump.out, big5Body());

        // Anything but a socket on descriptor 3 is refused rather than served.
        QProcess refused;
        refused.setProcessEnvironment(env);
        refused.start(QStringLiteral("/bin/bash"), handedOver(QStringLiteral("</dev/null")));
        QVERIFY(refused.waitForFinished(30000));
        QCOMPARE(refused.exitCode(), 1);

        // Variables meant for another process leave the receiver listening by itself.
        env.insert(QStringLiteral("LISTEN_PID"), QStringLiteral("1"));
        env.insert(QStringLiteral("LISTEN_FDS"), QStringLiteral("1"));
        QProcess own;
        const quint16 ownPort =
            startTool(own, {QStringLiteral("--port"), QStringLiteral("0")}, env);
        own.kill();
        own.waitForFinished();
        QVERIFY(ownPort != 0 && ownPort != port);
    }

    void defaultDatabaseIsCreatedInTheDataFolder() {
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        const Run none = runTool({QStringLiteral("dump")}, env);
        QVERIFY(none.code != 0);
        QVERIFY2(none.err.contains(dir.filePath(QStringLiteral("data/orvexreg/receiver.sqlite3"))),
                 qPrintable(none.err));

        QProcess tool;
        QVERIFY(startTool(tool, {QStringLiteral("--port"), QStringLiteral("0")}, env) != 0);
        tool.kill();
        tool.waitForFinished();
        const Run empty = runTool({QStringLiteral("dump")}, env);
        QCOMPARE(empty.code, 0);
        QCOMPARE(empty.out, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestReceiver)
#include "tst_receiver.moc"
