#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

class QTcpSocket;

// A one-purpose HTTP server on loopback for tests of the POST: records each request and
// answers with a status, or not at all.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    enum class Mode { Answer, Silent };

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

    const QList<Request>& requests() const { return requests_; }

private:
    void readFrom(QTcpSocket* socket);

    QTcpServer server_;
    int status_ = 200;
    Mode mode_ = Mode::Answer;
    QList<Request> requests_;
};
