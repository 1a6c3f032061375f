#include "JobFate.h"

namespace printing {

JobFate jobFate(JobState state, std::chrono::milliseconds elapsed) {
    switch (state) {
        case JobState::Completed:
            return JobFate::Printed;
        case JobState::Missing:
        case JobState::Stopped:
        case JobState::Canceled:
        case JobState::Aborted:
            return JobFate::Failed;
        case JobState::Pending:
        case JobState::Held:
        case JobState::Processing:
            break;
    }
    return elapsed >= JobWatch ? JobFate::Printed : JobFate::Open;
}

}  // namespace printing
