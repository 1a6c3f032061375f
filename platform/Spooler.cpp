#include "Spooler.h"

#include <cups/cups.h>

namespace spooler {
namespace {

using printing::JobState;

JobState stateOf(ipp_jstate_t state) {
    switch (state) {
        case IPP_JSTATE_PENDING:
            return JobState::Pending;
        case IPP_JSTATE_HELD:
            return JobState::Held;
        case IPP_JSTATE_PROCESSING:
            return JobState::Processing;
        case IPP_JSTATE_STOPPED:
            return JobState::Stopped;
        case IPP_JSTATE_CANCELED:
            return JobState::Canceled;
        case IPP_JSTATE_ABORTED:
            return JobState::Aborted;
        case IPP_JSTATE_COMPLETED:
            return JobState::Completed;
    }
    return JobState::Missing;
}

// Calls `look` for each of the user's jobs on the queue, finished ones included.
template <typename Look>
void forEachJob(const QString& queue, Look look) {
    cups_job_t* jobs = nullptr;
    const QByteArray name = queue.section(u'/', 0, 0).toUtf8();
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 1, CUPS_WHICHJOBS_ALL);
    for (int k = 0; k < count; ++k) {
        look(jobs[k]);
    }
    cupsFreeJobs(count, jobs);
}

}  // namespace

int newestJob(const QString& queue) {
    int newest = 0;
    forEachJob(queue, [&](const cups_job_t& job) { newest = qMax(newest, job.id); });
    return newest;
}

printing::JobState jobState(const QString& queue, int job) {
    JobState state = JobState::Missing;
    forEachJob(queue, [&](const cups_job_t& each) {
        if (each.id == job) {
            state = stateOf(each.state);
        }
    });
    return state;
}

QString refusal() {
    if (cupsLastError() < IPP_STATUS_REDIRECTION_OTHER_SITE) {
        return QString();
    }
    const char* text = cupsLastErrorString();
    return QString::fromUtf8(text && *text ? text : ippErrorString(cupsLastError()));
}

}  // namespace spooler
