#pragma once

#include "CupsJobs.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

namespace printing {

// A spooler job as the spooler reports it; Missing when it knows no such job.
enum class JobState { Missing, Pending, Held, Processing, Stopped, Canceled, Aborted, Completed };
enum class PrinterState { Unknown, Idle, Processing, Stopped };

}  // namespace printing

// The print spooler (CUPS), through the spooler module of the program folder. A queue is named
// as the printer is, with or without the "/instance" part.
namespace spooler {

// How a request ended.
enum class Answer {
    Done,
    Refused,   // the spooler answered that it cannot: no such job, not accepting jobs ...
    NoAnswer,  // unreachable, or no answer within the time limit
};

struct Job {
    printing::JobState state = printing::JobState::Missing;
    QStringList reasons;
    QString message;
};

struct Printer {
    printing::PrinterState state = printing::PrinterState::Unknown;
    bool accepting = true;
    QStringList reasons;
    QString message;
};

using Options = QList<QPair<QByteArray, QByteArray>>;

// What the spooler said of a job at one look.
struct Sighting {
    bool reachable = false;  // the spooler answered
    QString error;           // why not
    bool known = false;      // it knows the job; then `job` is how it stands
    Job job;
    bool eventsRead = false;                     // the subscription's events could be read
    std::optional<printing::JobState> notified;  // the last state they told of the job
    Printer printer;                             // when it answered
};

// The functions of the spooler module.
struct Module {
    decltype(&orvexConnect) connect = nullptr;
    decltype(&orvexDisconnect) disconnect = nullptr;
    decltype(&orvexSubscribe) subscribe = nullptr;
    decltype(&orvexUnsubscribe) unsubscribe = nullptr;
    decltype(&orvexCreateJob) createJob = nullptr;
    decltype(&orvexSendDocument) sendDocument = nullptr;
    decltype(&orvexJobStatus) jobStatus = nullptr;
    decltype(&orvexPrinterStatus) printerStatus = nullptr;
    decltype(&orvexJobEvents) jobEvents = nullptr;
    decltype(&orvexCancelJob) cancelJob = nullptr;
};

// Loads the module of the program folder. Raises PrintError when it is missing or cannot be
// loaded: a print that cannot be followed is not called printed.
void load();
// The module load() loaded.
const Module& module();

// One connection to the spooler through the module, used from one thread. Every request waits
// at most the time limit; after a request without answer the next one connects anew.
class Session {
public:
    Session(const Module& module, std::chrono::milliseconds limit);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Why the last request did not end in Done.
    const QString& error() const { return error_; }

    Answer subscribe(const QString& queue, int& subscription);
    void unsubscribe(const QString& queue, int subscription);
    Answer createJob(const QString& queue, const QString& title, const Options& options, int& job);
    Answer sendDocument(const QString& queue, int job, const QByteArray& pdf);
    // Refused: the spooler knows no such job.
    Answer job(const QString& queue, int id, Job& job);
    Answer printer(const QString& queue, Printer& printer);
    // The last state the subscription's events since `sequence` tell of the job, if any.
    Answer events(const QString& queue, int subscription, int job, int& sequence,
                  std::optional<printing::JobState>& state);
    Answer cancel(const QString& queue, int job);

private:
    bool connect();
    Answer result(int done);

    Module module_;
    std::chrono::milliseconds limit_;
    void* connection_ = nullptr;
    OrvexText text_{};
    QString error_;
};

}  // namespace spooler
