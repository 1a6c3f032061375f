// The spooler's side of a print job, built as a module of its own: the program loads it, and
// with it libcups and the dozen libraries libcups brings, at its first print through the
// spooler instead of at every start. Plain IPP requests on a connection of the caller's, so
// that the program holds its own job's id and every request has a time limit.
#include "CupsJobs.h"

#include <cups/cups.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Connection {
    http_t* http;
};

http_t* httpOf(void* connection) {
    return static_cast<Connection*>(connection)->http;
}

void say(OrvexText* out, const char* text) {
    std::snprintf(out->text, sizeof out->text, "%s", text != nullptr ? text : "");
}

// A request that takes longer than the connection's limit is given up, not waited for again.
int giveUp(http_t*, void*) {
    return 0;
}

// No password is ever asked for on a terminal the program may have been started from: a
// spooler that wants one refuses the request.
const char* noPassword(const char*, http_t*, const char*, const char*, void*) {
    return nullptr;
}

std::string printerUri(const char* queue) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue);
    return uri;
}

ipp_t* request(ipp_op_t operation, const char* queue) {
    ipp_t* r = ippNewRequest(operation);
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(queue).c_str());
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return r;
}

// Sends the request (and frees it). 1 with the answer when the spooler did it, 0 when it
// answered that it cannot, -1 when no answer came.
int send(void* connection, ipp_t* r, ipp_t** answer, OrvexText* error) {
    ipp_t* response = cupsDoRequest(httpOf(connection), r, "/");
    if (response == nullptr) {
        say(error, cupsLastErrorString());
        // Turned away at the door (forbidden, not authorized, no such resource) is an answer;
        // a broken or silent connection is none.
        const ipp_status_t status = cupsLastError();
        return status >= IPP_STATUS_ERROR_BAD_REQUEST && status < IPP_STATUS_ERROR_INTERNAL ? 0
               : status >= IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED                    ? 0
                                                                                            : -1;
    }
    const ipp_status_t status = ippGetStatusCode(response);
    if (status >= IPP_STATUS_REDIRECTION_OTHER_SITE) {
        ipp_attribute_t* message = ippFindAttribute(response, "status-message", IPP_TAG_TEXT);
        say(error, message != nullptr ? ippGetString(message, 0, nullptr) : ippErrorString(status));
        ippDelete(response);
        // A spooler that is restarting answers every request so for a moment: no word on the
        // job. Not accepting jobs is the queue's answer, though.
        const bool passing =
            status >= IPP_STATUS_ERROR_INTERNAL && status != IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS;
        return passing ? -1 : 0;
    }
    if (answer != nullptr) {
        *answer = response;
    } else {
        ippDelete(response);
    }
    return 1;
}

int integer(ipp_t* response, const char* name) {
    ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return a != nullptr ? ippGetInteger(a, 0) : 0;
}

// The values of a keyword or text attribute, joined by commas.
void texts(ipp_t* response, const char* name, char* out, size_t size) {
    out[0] = '\0';
    ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO);
    std::string joined;
    for (int i = 0; a != nullptr && i < ippGetCount(a); ++i) {
        joined += (i > 0 ? "," : "");
        const char* value = ippGetString(a, i, nullptr);
        joined += value != nullptr ? value : "";
    }
    std::snprintf(out, size, "%s", joined.c_str());
}

}  // namespace

extern "C" {

void* orvexConnect(int timeoutMs, OrvexText* error) {
    cupsSetPasswordCB2(noPassword, nullptr);
    errno = 0;
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                timeoutMs, nullptr);
    if (http == nullptr) {
        say(error, errno != 0 ? std::strerror(errno) : cupsLastErrorString());
        return nullptr;
    }
    httpSetTimeout(http, timeoutMs / 1000.0, giveUp, nullptr);
    return new Connection{http};
}

void orvexDisconnect(void* connection) {
    if (connection != nullptr) {
        httpClose(httpOf(connection));
        delete static_cast<Connection*>(connection);
    }
}

int orvexSubscribe(void* connection, const char* queue, int* subscription, OrvexText* error) {
    ipp_t* r = request(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, queue);
    ippAddString(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr, "ippget");
    static const char* const events[] = {"job-state-changed", "job-completed"};
    ippAddStrings(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events", 2, nullptr, events);
    // Given up by the spooler an hour after a program that could not end it.
    ippAddInteger(r, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration", 3600);
    ipp_t* answer = nullptr;
    const int done = send(connection, r, &answer, error);
    if (done == 1) {
        *subscription = integer(answer, "notify-subscription-id");
        ippDelete(answer);
    }
    return done;
}

void orvexUnsubscribe(void* connection, const char* queue, int subscription) {
    ipp_t* r = request(IPP_OP_CANCEL_SUBSCRIPTION, queue);
    ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", subscription);
    OrvexText ignored;
    send(connection, r, nullptr, &ignored);
}

int orvexCreateJob(void* connection, const char* queue, const char* title, int count,
                   const char* const* names, const char* const* values, int* job,
                   OrvexText* error) {
    ipp_t* r = request(IPP_OP_CREATE_JOB, queue);
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title);
    cups_option_t* options = nullptr;
    int n = 0;
    for (int i = 0; i < count; ++i) {
        n = cupsAddOption(names[i], values[i], n, &options);
    }
    cupsEncodeOptions2(r, n, options, IPP_TAG_OPERATION);
    cupsEncodeOptions2(r, n, options, IPP_TAG_JOB);
    cupsFreeOptions(n, options);
    ipp_t* answer = nullptr;
    const int done = send(connection, r, &answer, error);
    if (done == 1) {
        *job = integer(answer, "job-id");
        ippDelete(answer);
    }
    return done;
}

int orvexSendDocument(void* connection, const char* queue, int job, const char* data,
                      long long size, OrvexText* error) {
    http_t* http = httpOf(connection);
    if (cupsStartDocument(http, queue, job, nullptr, CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE ||
        cupsWriteRequestData(http, data, static_cast<size_t>(size)) != HTTP_STATUS_CONTINUE) {
        say(error, cupsLastErrorString());
        cupsFinishDocument(http, queue);
        return httpError(http) != 0 ? -1 : 0;
    }
    if (cupsFinishDocument(http, queue) >= IPP_STATUS_REDIRECTION_OTHER_SITE) {
        say(error, cupsLastErrorString());
        return httpError(http) != 0 ? -1 : 0;
    }
    return 1;
}

int orvexJobStatus(void* connection, const char* queue, int job, OrvexJob* status,
                   OrvexText* error) {
    ipp_t* r = request(IPP_OP_GET_JOB_ATTRIBUTES, queue);
    ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
    static const char* const wanted[] = {"job-state", "job-state-reasons",
                                         "job-printer-state-message"};
    ippAddStrings(r, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                  wanted);
    ipp_t* answer = nullptr;
    const int done = send(connection, r, &answer, error);
    if (done == 1) {
        status->state = integer(answer, "job-state");
        texts(answer, "job-state-reasons", status->reasons, sizeof status->reasons);
        texts(answer, "job-printer-state-message", status->message, sizeof status->message);
        ippDelete(answer);
    }
    return done;
}

int orvexPrinterStatus(void* connection, const char* queue, OrvexPrinter* status,
                       OrvexText* error) {
    ipp_t* r = request(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
    static const char* const wanted[] = {"printer-state", "printer-state-reasons",
                                         "printer-state-message", "printer-is-accepting-jobs"};
    ippAddStrings(r, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 4, nullptr,
                  wanted);
    ipp_t* answer = nullptr;
    const int done = send(connection, r, &answer, error);
    if (done == 1) {
        status->state = integer(answer, "printer-state");
        ipp_attribute_t* accepting =
            ippFindAttribute(answer, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
        status->accepting = accepting == nullptr || ippGetBoolean(accepting, 0);
        texts(answer, "printer-state-reasons", status->reasons, sizeof status->reasons);
        texts(answer, "printer-state-message", status->message, sizeof status->message);
        ippDelete(answer);
    }
    return done;
}

int orvexJobEvents(void* connection, const char* queue, int subscription, int job, int* sequence,
                   int* state, OrvexText* error) {
    ipp_t* r = request(IPP_OP_GET_NOTIFICATIONS, queue);
    ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids", subscription);
    ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers", *sequence);
    ippAddBoolean(r, IPP_TAG_OPERATION, "notify-wait", 0);
    ipp_t* answer = nullptr;
    const int done = send(connection, r, &answer, error);
    if (done != 1) {
        return done;
    }
    *state = 0;
    // Each event is a group of its own; a nameless attribute separates the groups.
    int eventJob = 0;
    int eventState = 0;
    const auto endEvent = [&] {
        if (eventJob == job && eventState != 0) {
            *state = eventState;
        }
        eventJob = eventState = 0;
    };
    for (ipp_attribute_t* a = ippFirstAttribute(answer); a != nullptr;
         a = ippNextAttribute(answer)) {
        const char* name = ippGetName(a);
        if (name == nullptr) {
            endEvent();
        } else if (ippGetGroupTag(a) == IPP_TAG_EVENT_NOTIFICATION) {
            if (std::strcmp(name, "notify-sequence-number") == 0) {
                *sequence =
                    ippGetInteger(a, 0) + 1 > *sequence ? ippGetInteger(a, 0) + 1 : *sequence;
            } else if (std::strcmp(name, "notify-job-id") == 0) {
                eventJob = ippGetInteger(a, 0);
            } else if (std::strcmp(name, "job-state") == 0) {
                eventState = ippGetInteger(a, 0);
            }
        }
    }
    endEvent();
    ippDelete(answer);
    return 1;
}

int orvexCancelJob(void* connection, const char* queue, int job, OrvexText* error) {
    ipp_t* r = request(IPP_OP_CANCEL_JOB, queue);
    ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
    return send(connection, r, nullptr, error);
}

}  // extern "C"
