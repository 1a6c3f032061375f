#pragma once

#include <QString>

namespace printing {

// A spooler job as the spooler reports it; Missing when it knows no such job.
enum class JobState { Missing, Pending, Held, Processing, Stopped, Canceled, Aborted, Completed };

}  // namespace printing

// The print spooler (CUPS), asked about this user's jobs. A queue is named as the printer is,
// with or without the "/instance" part.
namespace spooler {

// The id of the user's newest job on the queue, finished or not; 0 when there is none.
int newestJob(const QString& queue);

// The state of the user's job on the queue.
printing::JobState jobState(const QString& queue, int job);

// What the spooler answered the last request of this thread when it refused it; empty when it
// took it.
QString refusal();

}  // namespace spooler
