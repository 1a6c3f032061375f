#include "TestHttpServer.h"

#include <sys/socket.h>
#include <QHostAddress>
#include <QTcpSocket>

QByteArray TestHttpServer::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

TestHttpServer::TestHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        }
    });
}

QString TestHttpServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void TestHttpServer::readFrom(QTcpSocket* socket) {
    QByteArray data = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", data);
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0) {
        return;
    }
    Request request;
    const QList<QByteArray> lines = data.left(end).split('\n');
    const QList<QByteArray> first = lines.front().trimmed().split(' ');
    request.method = first.value(0);
    request.path = first.value(1);
    qsizetype length = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) {
            request.headers.append(
                {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
        }
    }
    length = request.header("Content-Length").toLongLong();
    if (data.size() < end + 4 + length) {
        return;
    }
    request.body = data.mid(end + 4, length);
    socket->setProperty("buffer", QByteArray());
    requests_.append(request);
    switch (mode_) {
        case Mode::Silent:
            return;
        case Mode::Close:
            socket->disconnectFromHost();
            return;
        case Mode::Reset: {
            // A zero linger time makes the close a reset.
            const linger hard{1, 0};
            setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                       sizeof hard);
            socket->abort();
            return;
        }
        case Mode::Flood:
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                          QByteArray::number(floodBytes_) + "\r\n\r\n");
            floodSent_ = 0;
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { flood(socket); });
            flood(socket);
            return;
        case Mode::Answer:
            break;
    }
    const QByteArray page = "<html><body>ok</body></html>";
    const auto redirect = redirects_.constFind(request.path);
    const bool moved = redirect != redirects_.cend();
    socket->write("HTTP/1.1 " + QByteArray::number(moved ? redirect->first : status_) +
                  " Status\r\nContent-Type: text/html\r\n" +
                  (moved ? "Location: " + redirect->second + "\r\n" : QByteArray()) +
                  "Content-Length: " + QByteArray::number(page.size()) +
                  "\r\nConnection: close\r\n\r\n" + page);
    socket->disconnectFromHost();
}

// Keeps a little in flight, so that this server's own memory stays small.
void TestHttpServer::flood(QTcpSocket* socket) {
    static const QByteArray chunk(64 * 1024, 'x');
    while (socket->bytesToWrite() < 4 * chunk.size() && floodSent_ < floodBytes_) {
        const qint64 size = std::min<qint64>(chunk.size(), floodBytes_ - floodSent_);
        socket->write(chunk.constData(), size);
        floodSent_ += size;
    }
}
