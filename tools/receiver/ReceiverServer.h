#pragma once

#include "tools/receiver/HeadGate.h"
#include "tools/receiver/Receiver.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <memory>

struct MHD_Connection;
struct MHD_Daemon;

// What one receiver lets its clients hold. Tests shorten the timeouts.
struct ReceiverLimits {
    // A connection that makes no progress for this long is closed.
    int idleTimeoutSeconds = 10;
    // A request head must have come whole this long after its connection opened.
    int headTimeoutMs = 15000;
    // A body must have come this long after its head, plus a second for every minBodyRate
    // bytes of it; a connection that falls behind is closed.
    int bodyTimeoutMs = 10000;
    qsizetype minBodyRate = 16 * 1024;
    // Connections above this wait in the listen queue until one ends, rather than being
    // refused, unless one still without a whole head, a silenced one or a lingering body gives
    // up its place. Well below the usual 1,024 descriptors.
    int maxConnections = 512;
    // Request head and buffers of one connection.
    qsizetype connectionMemory = 32 * 1024;
    // One body; a larger one is answered 413. Registrations are a few hundred bytes.
    qsizetype maxBody = 64 * 1024;
    // Body bytes held at once across all connections; a body that would go above is answered
    // 503. Only bytes received count, and there is room for a whole body on every connection
    // (up to 64 MiB), so that a few connections cannot take it all.
    qsizetype maxHeldBodies = heldRoom(maxConnections, maxBody);

    // Sets the body limit and the room held with it.
    void setMaxBody(qsizetype bytes) {
        maxBody = bytes;
        maxHeldBodies = heldRoom(maxConnections, bytes);
    }
    static qsizetype heldRoom(int connections, qsizetype body) {
        return std::min<qsizetype>(connections * body, 64 * 1024 * 1024);
    }
};

// Serves HTTP on 127.0.0.1 through libmicrohttpd, driven by this thread's event loop. Each
// connection carries one request, whose head is checked before the library reads it, and is
// closed after the answer. POST requests are recorded before they are answered; with the
// control enabled, GET /_control/mode[?set=MODE] reads or switches the mode and is never
// recorded. Requests from web pages (an Origin header) or for another host are refused.
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
    int openConnections() const { return open_ + (gate_ ? gate_->size() : 0); }

signals:
    void recorded(qint64 id);
    void modeChanged(ReceiverMode mode);
    // A request could not be recorded: the database failed (answered 500) or became full
    // (answered 507, said once until a post is stored again).
    void storeFailed(const QString& message);
    // A complaint of the HTTP library, or a handler that failed, after the start.
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
    void acceptWaiting();
    bool makeRoom();
    void admit(const Arrival& arrival, int verdict);
    void connectionEnded();
    // False closes the connection without an answer.
    bool handle(Request& request, const char* method, const char* version, const char* data,
                size_t* size);
    int admission(const Request& request) const;
    bool fromOwnClient(MHD_Connection* connection) const;
    bool answer(Request& request);
    // The answer of the mode.
    bool answerMode(Request& request);
    void announce(qint64 id) noexcept;
    void reportFault(const QString& what) noexcept;
    bool control(const Request& request);
    void silence(Request& request);
    void letGo(Request& request);
    bool reserve(Request& request, qint64 total);
    void release(Request& request);
    void finish(Request& request);
    void watch(qint64 deadline);
    void expireBodies();

    ReceiverStore& store_;
    ReceiverMode mode_;
    ReceiverLimits limits_;
    bool control_ = false;
    MHD_Daemon* daemon_ = nullptr;
    std::unique_ptr<QSocketNotifier> events_;
    int listener_ = -1;
    std::unique_ptr<QSocketNotifier> accepting_;
    std::unique_ptr<HeadGate> gate_;
    QTimer timer_;
    QTimer quiet_;
    QTimer deadlines_;
    QElapsedTimer clock_;
    QString address_;
    quint16 port_ = 0;
    QSet<QByteArray> ownHosts_;
    QString error_;
    qsizetype held_ = 0;
    int open_ = 0;
    int handingOver_ = 0;  // the verdict on the connection being handed to the library
    int closing_ = 0;      // connections let go that the library has not closed yet
    bool starting_ = false;
    bool dropping_ = false;
    bool full_ = false;  // the last post met a full database
    QHash<MHD_Connection*, int> verdicts_;
    QSet<Request*> requests_;
    QList<Request*> silenced_;  // oldest first
};
