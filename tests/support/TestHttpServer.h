#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>

class QTcpSocket;

// A one-purpose HTTP server on loopback for tests of the POST: records each request and
// answers with a status, or not at all, or drops the connection, or floods an answer.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Answer,
        Silent,
        Close,  // closes the connection once the request is read
        Reset,  // resets it once the request is read
        Flood,  // answers 200 with a body of the flood size
    };

    struct Request {
        QByteArray method;
        QByteArray path;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QByteArray header(const QByteArray& name) const;
    };

    TestHttpServer();
    quint16 port() const { return server_.serverPort(); }
    QString url(const QString& path = QStringLiteral("/register")) const;

    void setStatus(int status) { status_ = status; }
    void setMode(Mode mode) { mode_ = mode; }
    void setFloodBytes(qint64 bytes) { floodBytes_ = bytes; }
    // Answers requests for path with status and a Location header.
    void redirect(const QByteArray& path, int status, const QByteArray& location) {
        redirects_.insert(path, {status, location});
    }

    const QList<Request>& requests() const { return requests_; }

private:
    void readFrom(QTcpSocket* socket);
    void flood(QTcpSocket* socket);

    QTcpServer server_;
    int status_ = 200;
    Mode mode_ = Mode::Answer;
    qint64 floodBytes_ = 0;
    qint64 floodSent_ = 0;
    QList<Request> requests_;
    QHash<QByteArray, QPair<int, QByteArray>> redirects_;
};
