#pragma once

#include "tools/receiver/Receiver.h"

#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <memory>

struct MHD_Connection;
struct MHD_Daemon;

// What one receiver lets its clients hold. Tests shorten the idle timeout.
struct ReceiverLimits {
    // A connection that makes no progress for this long is closed.
    int idleTimeoutSeconds = 10;
    // Connections above this wait in the listen queue until one ends, rather than being
    // refused: behind 1,100 idle clients a POST is still answered in two timeouts. Well below
    // the usual 1,024 descriptors.
    int maxConnections = 512;
    // Request head and buffers of one connection.
    qsizetype connectionMemory = 32 * 1024;
    // One body; a larger one is answered 413.
    qsizetype maxBody = 16 * 1024 * 1024;
    // Body bytes held at once across all connections; a body that would go above is answered
    // 503. Only bytes received count: a client cannot hold the room by announcing a length.
    qsizetype maxHeldBodies = 64 * 1024 * 1024;
};

// Serves HTTP on 127.0.0.1 through libmicrohttpd, driven by this thread's event loop. POST
// requests are recorded before they are answered; with the control enabled, GET
// /_control/mode[?set=MODE] reads or switches the mode and is never recorded.
class ReceiverServer : public QObject {
    Q_OBJECT
public:
    ReceiverServer(ReceiverStore& store, ReceiverMode mode, const ReceiverLimits& limits = {},
                   QObject* parent = nullptr);
    ~ReceiverServer() override;

    // Port 0 picks a free port. On failure errorString() says why.
    bool listen(quint16 port);
    // Serves a socket that is already listening, such as one a service manager handed over.
    bool adopt(int descriptor);
    QString address() const { return address_; }
    quint16 port() const { return port_; }
    QString errorString() const { return error_; }

    ReceiverMode mode() const { return mode_; }
    void setMode(ReceiverMode mode);
    void setControlEnabled(bool enabled) { control_ = enabled; }

    // After quiet() no connection is accepted any more; connections waiting in the listen
    // queue stay there for whoever listens next. 0 turns it off (the default).
    void setQuietInterval(int ms);

    // Body bytes received and not yet recorded or refused, and the connections open.
    qsizetype heldBytes() const { return held_; }
    int openConnections() const { return open_; }

signals:
    void recorded(qint64 id);
    void modeChanged(ReceiverMode mode);
    // A request could not be recorded: the database failed (answered 500) or became full
    // (answered 507, said once until a post is stored again).
    void storeFailed(const QString& message);
    // A complaint of the HTTP library after the start, such as a refused connection, or a
    // handler that failed.
    void libraryMessage(const QString& message);
    // No connection was open for the quiet interval.
    void quiet();

private:
    struct Request;
    friend struct ReceiverCallbacks;

    bool start(int descriptor);
    void process();
    void touch();
    void quietCheck();
    // False closes the connection without an answer.
    bool handle(Request& request, const char* method, const char* version, const char* data,
                size_t* size);
    bool answer(Request& request);
    void announce(qint64 id) noexcept;
    void reportFault(const QString& what) noexcept;
    bool control(const Request& request);
    void silence(Request& request);
    bool reserve(Request& request, qint64 total);
    void release(Request& request);

    ReceiverStore& store_;
    ReceiverMode mode_;
    ReceiverLimits limits_;
    bool control_ = false;
    MHD_Daemon* daemon_ = nullptr;
    std::unique_ptr<QSocketNotifier> events_;
    QTimer timer_;
    QTimer quiet_;
    QString address_;
    quint16 port_ = 0;
    QString error_;
    qsizetype held_ = 0;
    int open_ = 0;
    bool closed_ = false;
    bool starting_ = false;
    bool hangingUp_ = false;
    bool full_ = false;  // the last post met a full database
    QSet<Request*> silenced_;
};
