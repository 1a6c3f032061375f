#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A CUPS spooler of the test's own: cupsd in the foreground as a child of the test, its files in
// a temporary folder, listening only on a socket there, with the test printer orvex-test
// (tests/support/spooler/orvex-test) as its backend. While it lives, CUPS_SERVER names it, so the
// code under test, lp and lpstat reach it and no other spooler. What it tells about jobs and
// printers it asks cupsd itself, on a connection of its own.
//
// Create it on the test's main thread: cupsd is told to end when the thread that started it
// does, so that a crashed test leaves no spooler behind.
class PrivateSpooler {
public:
    enum class ErrorPolicy { RetryJob, StopPrinter, AbortJob, RetryCurrentJob };

    PrivateSpooler();
    ~PrivateSpooler();
    PrivateSpooler(const PrivateSpooler&) = delete;
    PrivateSpooler& operator=(const PrivateSpooler&) = delete;

    // cupsd and its helper are installed. Root is not needed: run by another user, cupsd runs
    // its backends as that user.
    static bool available();

    // Start waits until cupsd answers a request; restart stops it and starts it again on the
    // same folders, queues and jobs.
    bool start();
    void stop();
    bool restart();
    // The socket, as CUPS_SERVER takes it.
    QString server() const;

    // An enabled, accepting raw queue.
    bool addQueue(const QString& name, const QString& deviceUri,
                  ErrorPolicy policy = ErrorPolicy::StopPrinter);
    bool disable(const QString& name);  // as cupsdisable: accepts jobs, prints none
    bool reject(const QString& name);   // as cupsreject
    // PreserveJobHistory; takes effect at once, restarting a running spooler.
    bool setPreserveJobHistory(bool on);

    // job-state: 3 pending ... 7 canceled, 8 aborted, 9 completed; 0 when the spooler knows no
    // such job, -1 when it did not answer.
    int jobState(int id) const;
    // What the backend printed of the job, one entry per document, in order.
    QList<QByteArray> documents(int job) const;

private:
    bool running() const;
    bool answers() const;
    bool writeConfig() const;
    bool setPrinter(int operation, const QString& name) const;
    QString path(const QString& name) const { return root_ + u'/' + name; }

    QTemporaryDir dir_;
    QString root_;
    QProcess cupsd_;
    bool preserveHistory_ = true;
    bool hadServer_ = false;
    QByteArray oldServer_;
};
