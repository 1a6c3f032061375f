#include "JobFate.h"

namespace printing {
namespace {

// Job state reasons after which a waiting job does not go on by itself.
bool stuck(const QStringList& reasons) {
    static const char* const kStuck[] = {
        "printer-stopped",
        "job-hold-until-specified",
        "document-format-error",
        "document-unprintable-error",
        "unsupported-document-format",
    };
    for (const char* reason : kStuck) {
        if (reasons.contains(QLatin1String(reason))) {
            return true;
        }
    }
    return false;
}

std::optional<Verdict> final(JobState state) {
    switch (state) {
        case JobState::Completed:
            return Verdict{Fate::Printed, Failure::None, false};
        case JobState::Canceled:
            return Verdict{Fate::Failed, Failure::Canceled, false};
        case JobState::Aborted:
            return Verdict{Fate::Failed, Failure::Aborted, false};
        default:
            return std::nullopt;
    }
}

}  // namespace

Verdict judge(const spooler::Sighting& seen) {
    if (seen.notified) {
        if (const auto verdict = final(*seen.notified)) {
            return *verdict;
        }
    }
    if (!seen.reachable) {
        return {Fate::Waiting, Failure::None, false};
    }
    if (!seen.known) {
        // Its last word may still be in the events that could not be read this time.
        return {seen.eventsRead ? Fate::Unknown : Fate::Waiting, Failure::None, false};
    }
    const spooler::Job& job = seen.job;
    if (const auto verdict = final(job.state)) {
        return *verdict;
    }
    switch (job.state) {
        case JobState::Held:
            // A job waits held for its document while it is being sent.
            if (job.reasons.contains(QLatin1String("job-incoming"))) {
                return {Fate::Waiting, Failure::None, false};
            }
            return {Fate::Failed, Failure::Held, true};
        case JobState::Stopped:
            return {Fate::Failed, Failure::PrinterStopped, true};
        case JobState::Pending:
        case JobState::Processing:
            if (seen.printer.state == PrinterState::Stopped) {
                return {Fate::Failed, Failure::PrinterStopped, true};
            }
            if (stuck(job.reasons)) {
                return {Fate::Failed, Failure::CannotGoOn, true};
            }
            return {Fate::Waiting, Failure::None, false};
        default:
            return {Fate::Unknown, Failure::None, false};
    }
}

}  // namespace printing
