#pragma once

#include "Spooler.h"

#include <chrono>
#include <functional>
#include <memory>

namespace spooler {

// What the spooler said of a job at one look.
struct Sighting {
    bool reachable = false;  // the spooler answered
    QString error;           // why not
    bool known = false;      // it knows the job; then `job` is how it stands
    Job job;
    bool eventsRead = false;                     // the subscription's events could be read
    std::optional<printing::JobState> notified;  // the last state they told of the job
    Printer printer;                             // when it answered
};

// A PDF sent to a queue as a job of the program's own, and that job looked at again and
// again, in a thread of its own: no request, however slow, holds up the windows. A pull
// subscription on the queue, made before the job, keeps the job's last state even when the
// spooler forgets the job itself. What happens is told through the callbacks, on the program's
// main thread, and no more once the run is gone.
class JobRun {
public:
    struct Callbacks {
        std::function<void(int job)> submitted;
        std::function<void(Answer answer, const QString& why)> refused;
        std::function<void(const Sighting& sighting)> seen;
    };
    struct Timing {
        std::chrono::milliseconds limit{5000};    // of every request
        std::chrono::milliseconds interval{500};  // between two looks
    };

    JobRun(QString queue, QString title, Options options, QByteArray pdf, Callbacks callbacks,
           Timing timing);
    // Stops looking; the thread ends the subscription and ends by itself.
    ~JobRun();
    JobRun(const JobRun&) = delete;
    JobRun& operator=(const JobRun&) = delete;

    // Asks the spooler to cancel the job; `done` is told whether it did.
    void cancel(std::function<void(bool canceled)> done);

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace spooler
