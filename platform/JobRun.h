#pragma once

#include "Spooler.h"

#include <chrono>
#include <functional>
#include <memory>

namespace spooler {

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

    // Asks the spooler to cancel the job, even once the run is gone; `done` is told whether it
    // did, and how the job stands afterwards.
    void cancel(std::function<void(bool canceled, const Sighting& after)> done);

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace spooler
