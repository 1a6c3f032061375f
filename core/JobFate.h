#pragma once

#include "platform/Spooler.h"

// What the spooler's word on a job says about the card: the one rule that decides whether a
// print registration is stored.
namespace printing {

enum class Fate {
    Printed,
    Failed,   // ended without the card, or cannot go on
    Waiting,  // may still come out: keep looking
    Unknown,  // gone without a last state the spooler can tell: only the user knows
};

// Why a job is no card, as the user is told.
enum class Failure { None, Canceled, Aborted, Held, PrinterStopped, CannotGoOn };

struct Verdict {
    Fate fate = Fate::Waiting;
    Failure failure = Failure::None;
    // The job is still there and would print later, after the user was told it failed.
    bool cancel = false;
};

// Completed is printed, canceled or aborted failed. A job held, or waiting while its printer
// is stopped or its state says it cannot go on, fails at once and is canceled. A job gone
// without a last state in the subscription's events is unknown; one still waiting, a spooler
// that does not answer, or events that could not be read, is waiting.
Verdict judge(const spooler::Sighting& seen);

}  // namespace printing
