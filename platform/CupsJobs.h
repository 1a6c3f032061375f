#pragma once

// The functions of the spooler module, looked up by these names when it is loaded. A queue is
// the printer's name without its "/instance" part, in UTF-8. Each call takes a connection made
// by orvexConnect and is used from one thread at a time; every request has the connection's
// time limit.
//
// Results: 1 done; 0 the spooler answered that it cannot (it knows no such job or subscription,
// or refused the request), with its words in `error`; -1 the spooler did not answer within the
// time limit or could not be reached, with the reason in `error`.
extern "C" {

enum { kOrvexTextSize = 512 };

typedef struct OrvexText {
    char text[kOrvexTextSize];
} OrvexText;

// A job as the spooler reports it: job-state as IPP numbers it (3 pending to 9 completed),
// job-state-reasons joined by commas, job-printer-state-message.
typedef struct OrvexJob {
    int state;
    char reasons[kOrvexTextSize];
    char message[kOrvexTextSize];
} OrvexJob;

// A printer: printer-state (3 idle, 4 processing, 5 stopped), whether it accepts jobs,
// printer-state-reasons joined by commas, printer-state-message.
typedef struct OrvexPrinter {
    int state;
    int accepting;
    char reasons[kOrvexTextSize];
    char message[kOrvexTextSize];
} OrvexPrinter;

// A connection to the spooler named by the environment ($CUPS_SERVER, client.conf); null when
// it cannot be reached within timeoutMs, which also limits every request on it.
void* orvexConnect(int timeoutMs, OrvexText* error);
void orvexDisconnect(void* connection);

// A pull subscription on the queue for the state changes of its jobs.
int orvexSubscribe(void* connection, const char* queue, int* subscription, OrvexText* error);
void orvexUnsubscribe(void* connection, const char* queue, int subscription);

// Creates a job with the options (count name and value pairs) and sends it the document, a
// PDF file in memory, as its only document.
int orvexCreateJob(void* connection, const char* queue, const char* title, int count,
                   const char* const* names, const char* const* values, int* job, OrvexText* error);
int orvexSendDocument(void* connection, const char* queue, int job, const char* data,
                      long long size, OrvexText* error);

int orvexJobStatus(void* connection, const char* queue, int job, OrvexJob* status,
                   OrvexText* error);
int orvexPrinterStatus(void* connection, const char* queue, OrvexPrinter* status, OrvexText* error);
// The events of the subscription from `sequence` on: the last job-state they tell of the job,
// 0 when none does; `sequence` moves past the events read.
int orvexJobEvents(void* connection, const char* queue, int subscription, int job, int* sequence,
                   int* state, OrvexText* error);
int orvexCancelJob(void* connection, const char* queue, int job, OrvexText* error);
}
