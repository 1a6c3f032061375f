// Prints how a print job and its printer look through IPP, over time, in a private spooler: the
// way the program follows its card. A printer subscription (ippget, job-state-changed and
// job-completed) is made before Create-Job and a job subscription after it, the card is sent with
// Send-Document, and then every 100 ms Get-Job-Attributes, Get-Printer-Attributes and
// Get-Notifications of each subscription ask on one connection kept open. A line is printed
// whenever what they answer changes, with each event in full, and at the end how long each kind of
// request took.
//   spooler-timeline                 lists the scenarios
//   spooler-timeline SCENARIO ...    runs them; "all" runs every one
// TIMELINE_LOG=1 adds cupsd's error log of each scenario on stderr.
#include "PrivateSpooler.h"

#include <cups/cups.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QThread>
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>

namespace {

using Policy = PrivateSpooler::ErrorPolicy;

const char kCard[] =
    "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
    "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
    "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 595 842]>>endobj\n"
    "trailer<</Root 1 0 R>>\n%%EOF\n";

struct Scenario {
    const char* name;
    const char* uri;
    Policy policy;
    int seconds;                                           // how long to watch
    std::function<void(PrivateSpooler&)> before;           // before the subscription
    std::function<void(PrivateSpooler&, int job)> during;  // once, at `at` seconds
    double at = 0;
    bool quietUntilDone = false;  // no Get-Notifications before `during`
};

QElapsedTimer clock_;
std::function<void()>
    pollOnce_;  // one round of the three questions, for use in the middle of an act
QMap<QString, QList<qint64>> took_;  // microseconds per kind of request

double now() {
    return clock_.nsecsElapsed() / 1e9;
}

QByteArray attributeText(ipp_attribute_t* a) {
    char text[2048];
    ippAttributeString(a, text, sizeof text);
    return text;
}

struct Answer {
    ipp_t* ipp = nullptr;
    QByteArray status;  // the status and its message, or what went wrong on the way
    ~Answer() { ippDelete(ipp); }
};

void ask(http_t* http, const char* kind, ipp_t* request, Answer& answer,
         const char* resource = "/") {
    QElapsedTimer t;
    t.start();
    answer.ipp = cupsDoRequest(http, request, resource);
    took_[QString::fromLatin1(kind)].append(t.nsecsElapsed() / 1000);
    answer.status =
        QByteArray(ippErrorString(cupsLastError())) + " \"" + cupsLastErrorString() + '"';
}

ipp_t* newRequest(ipp_op_t op, const char* uriName, const QByteArray& uri) {
    ipp_t* r = ippNewRequest(op);
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, uriName, nullptr, uri.constData());
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return r;
}

QByteArray look(ipp_t* ipp, const char* name) {
    ipp_attribute_t* a = ippFindAttribute(ipp, name, IPP_TAG_ZERO);
    return a == nullptr ? QByteArray("-") : attributeText(a);
}

// The events of a Get-Notifications answer, one line each, all their attributes.
QList<QByteArray> events(ipp_t* ipp, int* lastSequence) {
    QList<QByteArray> out;
    QByteArray line;
    for (ipp_attribute_t* a = ippFirstAttribute(ipp); a != nullptr; a = ippNextAttribute(ipp)) {
        if (ippGetGroupTag(a) != IPP_TAG_EVENT_NOTIFICATION || ippGetName(a) == nullptr) {
            if (!line.isEmpty()) {
                out.append(line);
                line.clear();
            }
            continue;
        }
        const QByteArray name = ippGetName(a);
        if (name == "notify-charset" || name == "notify-natural-language") {
            continue;
        }
        if (name == "notify-sequence-number") {
            *lastSequence = ippGetInteger(a, 0);
        }
        line += (line.isEmpty() ? "" : " ") + name + '=' + attributeText(a);
    }
    if (!line.isEmpty()) {
        out.append(line);
    }
    return out;
}

struct Subscription {
    const char* tag;  // P on the printer, J on the job
    int id = 0;
    int sequence = 0;  // the last event's
    QByteArray shown;
};

// A pull subscription to the job's states, on the printer or, with a job, on that job.
int subscribe(http_t* http, const QByteArray& printer, int job) {
    ipp_t* r =
        newRequest(job > 0 ? IPP_OP_CREATE_JOB_SUBSCRIPTIONS : IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS,
                   "printer-uri", printer);
    if (job > 0) {
        ippAddInteger(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-job-id", job);
    }
    ippAddString(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr, "ippget");
    const char* wanted[] = {"job-state-changed", "job-completed"};
    ippAddStrings(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events", 2, nullptr, wanted);
    Answer a;
    const char* kind = job > 0 ? "Create-Job-Subscriptions" : "Create-Printer-Subscriptions";
    ask(http, kind, r, a);
    const int id =
        ippGetInteger(ippFindAttribute(a.ipp, "notify-subscription-id", IPP_TAG_INTEGER), 0);
    std::printf("%7.3f %s: %s, notify-subscription-id %d, notify-lease-duration %s\n", now(), kind,
                a.status.constData(), id, look(a.ipp, "notify-lease-duration").constData());
    return id;
}

void notifications(http_t* http, const QByteArray& printer, Subscription& sub) {
    if (sub.id <= 0) {
        return;
    }
    Answer a;
    ipp_t* q = newRequest(IPP_OP_GET_NOTIFICATIONS, "printer-uri", printer);
    ippAddInteger(q, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids", sub.id);
    ippAddInteger(q, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers",
                  sub.sequence + 1);
    ippAddBoolean(q, IPP_TAG_OPERATION, "notify-wait", 0);
    ask(http, "Get-Notifications", q, a);
    const QByteArray line = a.status + " notify-get-interval=" + look(a.ipp, "notify-get-interval");
    if (line != sub.shown) {
        std::printf("%7.3f notify %s %s\n", now(), sub.tag, line.constData());
        sub.shown = line;
    }
    if (a.ipp != nullptr) {
        for (const QByteArray& e : events(a.ipp, &sub.sequence)) {
            std::printf("%7.3f event %s  %s\n", now(), sub.tag, e.constData());
        }
    }
}

void run(const Scenario& s) {
    std::printf("\n=== %s: %s, %s\n", s.name, s.uri,
                std::array{"retry-job", "stop-printer", "abort-job",
                           "retry-current-job"}[static_cast<int>(s.policy)]);
    PrivateSpooler spooler;
    if (!spooler.start() ||
        !spooler.addQueue(QStringLiteral("Orvex"), QString::fromLatin1(s.uri), s.policy)) {
        std::printf("spooler did not start\n");
        return;
    }
    if (s.before) {
        s.before(spooler);
    }
    const QByteArray printer = "ipp://localhost/printers/Orvex";
    http_t* http = httpConnect2(QFile::encodeName(spooler.server()).constData(), 0, nullptr,
                                AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    clock_.start();

    Subscription onPrinter{"P", 0, 0, {}}, onJob{"J", 0, 0, {}};
    onPrinter.id = subscribe(http, printer, 0);
    ipp_t* r;
    r = newRequest(IPP_OP_CREATE_JOB, "printer-uri", printer);
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, "card");
    int job = 0;
    {
        Answer a;
        ask(http, "Create-Job", r, a);
        job = ippGetInteger(ippFindAttribute(a.ipp, "job-id", IPP_TAG_INTEGER), 0);
        std::printf("%7.3f Create-Job: %s, job-id %d, job-state %s, job-state-reasons %s\n", now(),
                    a.status.constData(), job, look(a.ipp, "job-state").constData(),
                    look(a.ipp, "job-state-reasons").constData());
    }
    if (job > 0) {
        onJob.id = subscribe(http, printer, job);
    }
    if (job > 0) {
        // As libcups sends a document: printer-uri, job-id, document-format, last-document.
        QElapsedTimer t;
        t.start();
        if (cupsStartDocument(http, "Orvex", job, "card", "application/pdf", 1) ==
                HTTP_STATUS_CONTINUE &&
            cupsWriteRequestData(http, kCard, sizeof kCard - 1) == HTTP_STATUS_CONTINUE) {
            cupsFinishDocument(http, "Orvex");
        }
        took_[QStringLiteral("Send-Document")].append(t.nsecsElapsed() / 1000);
        std::printf("%7.3f Send-Document: %s \"%s\"\n", now(), ippErrorString(cupsLastError()),
                    cupsLastErrorString());
    }

    QByteArray shownJob, shownPrinter;
    bool done = false;
    pollOnce_ = [&] {
        if (job > 0) {
            Answer a;
            ipp_t* q = newRequest(IPP_OP_GET_JOB_ATTRIBUTES, "job-uri",
                                  "ipp://localhost/jobs/" + QByteArray::number(job));
            ask(http, "Get-Job-Attributes", q, a);
            const QByteArray line =
                a.ipp == nullptr || ippGetStatusCode(a.ipp) > IPP_STATUS_OK_EVENTS_COMPLETE
                    ? a.status
                    : "job-state=" + look(a.ipp, "job-state") +
                          " job-state-reasons=" + look(a.ipp, "job-state-reasons") +
                          " job-printer-state-message=\"" +
                          look(a.ipp, "job-printer-state-message") + '"';
            if (line != shownJob) {
                std::printf("%7.3f job      %s\n", now(), line.constData());
                shownJob = line;
            }
        }
        {
            Answer a;
            ipp_t* q = newRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, "printer-uri", printer);
            ask(http, "Get-Printer-Attributes", q, a);
            const QByteArray line =
                a.ipp == nullptr || ippGetStatusCode(a.ipp) > IPP_STATUS_OK_EVENTS_COMPLETE
                    ? a.status
                    : "printer-state=" + look(a.ipp, "printer-state") +
                          " printer-state-reasons=" + look(a.ipp, "printer-state-reasons") +
                          " printer-state-message=\"" + look(a.ipp, "printer-state-message") +
                          "\" printer-is-accepting-jobs=" +
                          look(a.ipp, "printer-is-accepting-jobs");
            if (line != shownPrinter) {
                std::printf("%7.3f printer  %s\n", now(), line.constData());
                shownPrinter = line;
            }
        }
        if (!s.quietUntilDone || done) {
            for (Subscription* sub : {&onPrinter, &onJob}) {
                notifications(http, printer, *sub);
            }
        }
        std::fflush(stdout);
    };
    while (now() < s.seconds) {
        if (s.during && !done && now() >= s.at) {
            done = true;
            s.during(spooler, job);
        }
        pollOnce_();
        QThread::msleep(100);
    }
    for (const Subscription* sub : {&onPrinter, &onJob}) {
        if (sub->id > 0) {
            Answer a;
            ipp_t* q = newRequest(IPP_OP_CANCEL_SUBSCRIPTION, "printer-uri", printer);
            ippAddInteger(q, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", sub->id);
            ask(http, "Cancel-Subscription", q, a);
            std::printf("%7.3f Cancel-Subscription %s: %s\n", now(), sub->tag,
                        a.status.constData());
        }
    }
    httpClose(http);
    if (qEnvironmentVariableIsSet("TIMELINE_LOG")) {
        std::fwrite(spooler.errorLog().constData(), 1, spooler.errorLog().size(), stderr);
    }
    const QList<QByteArray> printed = spooler.documents(job);
    std::printf("%7.3f came out: %lld document(s)%s\n", now(),
                static_cast<long long>(printed.size()),
                printed.value(0) == QByteArray(kCard) ? ", the card" : "");
}

// Cancel-Job on a connection of its own, timed.
void cancel(const PrivateSpooler& spooler, int job) {
    http_t* http = httpConnect2(QFile::encodeName(spooler.server()).constData(), 0, nullptr,
                                AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    Answer a;
    ask(http, "Cancel-Job",
        newRequest(IPP_OP_CANCEL_JOB, "job-uri", "ipp://localhost/jobs/" + QByteArray::number(job)),
        a, "/jobs/");
    httpClose(http);
    std::printf("%7.3f Cancel-Job: %s\n", now(), a.status.constData());
}

void timed(const char* what, const std::function<bool()>& fn) {
    QElapsedTimer t;
    t.start();
    const bool ok = fn();
    took_[QString::fromLatin1(what)].append(t.nsecsElapsed() / 1000);
    std::printf("%7.3f %s: %s\n", now(), what, ok ? "ok" : "failed");
}

QList<Scenario> scenarios() {
    const auto disable = [](PrivateSpooler& s) { s.disable(QStringLiteral("Orvex")); };
    const auto reject = [](PrivateSpooler& s) { s.reject(QStringLiteral("Orvex")); };
    const auto noHistory = [](PrivateSpooler& s) { s.setPreserveJobHistory(false); };
    const auto restart = [](PrivateSpooler& s, int) {
        timed("stop", [&] {
            s.stop();
            return true;
        });
        pollOnce_();
        timed("start", [&] { return s.start(); });
    };
    const auto cancelIt = [](PrivateSpooler& s, int job) { cancel(s, job); };
    return {
        {"ok", "orvex-test:/ok", Policy::StopPrinter, 4, {}, {}},
        {"fail-retry-job", "orvex-test:/fail", Policy::RetryJob, 10, {}, {}},
        {"fail-stop-printer", "orvex-test:/fail", Policy::StopPrinter, 6, {}, {}},
        {"fail-abort-job", "orvex-test:/fail", Policy::AbortJob, 4, {}, {}},
        {"fail-retry-current-job", "orvex-test:/fail", Policy::RetryCurrentJob, 10, {}, {}},
        {"fail-retry-current-job-unasked",
         "orvex-test:/fail",
         Policy::RetryCurrentJob,
         5,
         {},
         [](PrivateSpooler&, int) {},
         3,
         true},
        {"stop", "orvex-test:/stop", Policy::AbortJob, 6, {}, {}},
        {"cancel", "orvex-test:/cancel", Policy::StopPrinter, 4, {}, {}},
        {"slow", "orvex-test:/slow?seconds=8", Policy::StopPrinter, 11, {}, {}},
        {"slowjam", "orvex-test:/slowjam?seconds=20", Policy::AbortJob, 24, {}, {}},
        {"disabled", "orvex-test:/ok", Policy::StopPrinter, 5, disable, {}},
        {"rejecting", "orvex-test:/ok", Policy::StopPrinter, 2, reject, {}},
        {"no-history-ok", "orvex-test:/ok", Policy::StopPrinter, 4, noHistory, {}},
        {"no-history-fail-abort-job", "orvex-test:/fail", Policy::AbortJob, 4, noHistory, {}},
        {"no-history-cancel", "orvex-test:/cancel", Policy::StopPrinter, 4, noHistory, {}},
        {"restart-during-slow",
         "orvex-test:/slow?seconds=8",
         Policy::StopPrinter,
         16,
         {},
         restart,
         2},
        {"restart-during-slow-unasked",
         "orvex-test:/slow?seconds=8",
         Policy::StopPrinter,
         16,
         {},
         restart,
         2,
         true},
        {"cancel-on-stopped", "orvex-test:/stop", Policy::StopPrinter, 5, {}, cancelIt, 2},
        {"no-history-cancel-on-stopped", "orvex-test:/stop", Policy::StopPrinter, 5, noHistory,
         cancelIt, 2},
        {"cancel-on-disabled", "orvex-test:/ok", Policy::StopPrinter, 4, disable, cancelIt, 1.5},
        {"no-history-cancel-while-slow", "orvex-test:/slow?seconds=8", Policy::StopPrinter, 5,
         noHistory, cancelIt, 1.5},
    };
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!PrivateSpooler::available()) {
        std::fprintf(stderr, "no cupsd here\n");
        return 1;
    }
    const QStringList wanted = app.arguments().mid(1);
    for (const Scenario& s : scenarios()) {
        if (wanted.isEmpty()) {
            std::printf("%s\n", s.name);
        } else if (wanted.contains(QStringLiteral("all")) ||
                   wanted.contains(QString::fromLatin1(s.name))) {
            run(s);
        }
    }
    if (!took_.isEmpty()) {
        std::printf("\nrequest times in ms: count, min, median, max\n");
    }
    for (auto it = took_.begin(); it != took_.end(); ++it) {
        QList<qint64> t = it.value();
        std::sort(t.begin(), t.end());
        std::printf("%-30s %5lld %8.2f %8.2f %8.2f\n", qPrintable(it.key()),
                    static_cast<long long>(t.size()), t.first() / 1000.0, t[t.size() / 2] / 1000.0,
                    t.last() / 1000.0);
    }
    return 0;
}
