#pragma once

#include "platform/Spooler.h"

#include <chrono>

namespace printing {

enum class JobFate { Printed, Failed, Open };

// How long a job is followed after it was handed over. A job still waiting then (a paused
// queue, a slow printer) is left to the spooler, as any print is.
constexpr std::chrono::milliseconds JobWatch{4000};

// What a job's state, seen `elapsed` after the job was handed over, says about the card: Open
// while it may still fail within JobWatch.
JobFate jobFate(JobState state, std::chrono::milliseconds elapsed);

}  // namespace printing
