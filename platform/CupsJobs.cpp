// The spooler's side of a print job, built as a module of its own: the program loads it, and
// with it libcups and the dozen libraries libcups brings, at its first print through the
// spooler instead of at every start.
#include "CupsJobs.h"

#include <cups/cups.h>
#include <algorithm>
#include <cstring>

namespace {

// Calls `look` for each of the user's jobs on the queue, finished ones included.
template <typename Look>
void forEachJob(const char* queue, Look look) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 1, CUPS_WHICHJOBS_ALL);
    for (int k = 0; k < count; ++k) {
        look(jobs[k]);
    }
    cupsFreeJobs(count, jobs);
}

}  // namespace

extern "C" {

int orvexNewestJob(const char* queue) {
    int newest = 0;
    forEachJob(queue, [&](const cups_job_t& job) { newest = std::max(newest, job.id); });
    return newest;
}

int orvexJobState(const char* queue, int job) {
    int state = 0;
    forEachJob(queue, [&](const cups_job_t& each) {
        if (each.id == job) {
            state = each.state;
        }
    });
    return state;
}

int orvexRefusal(char* text, int size) {
    if (cupsLastError() < IPP_STATUS_REDIRECTION_OTHER_SITE) {
        return 0;
    }
    const char* said = cupsLastErrorString();
    if (said == nullptr || *said == '\0') {
        said = ippErrorString(cupsLastError());
    }
    std::strncpy(text, said, static_cast<size_t>(size) - 1);
    text[size - 1] = '\0';
    return 1;
}

}  // extern "C"
