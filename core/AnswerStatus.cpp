#include "AnswerStatus.h"

AnswerOutcome answerOutcome(int status, bool hasLocation, Transfer transfer) {
    const bool redirect =
        status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    // On a 307 or 308 the network layer fails at rewinding the body; the answer still counts.
    if (redirect && hasLocation && transfer != Transfer::Broken) {
        return AnswerOutcome::Redirected;
    }
    if (status >= 200 && status <= 299 && transfer == Transfer::Whole) {
        return AnswerOutcome::Accepted;
    }
    return AnswerOutcome::Failed;
}
