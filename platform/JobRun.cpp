#include "JobRun.h"

#include <QCoreApplication>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace spooler {

using CancelDone = std::function<void(bool, const Sighting&)>;

struct JobRun::State {
    QString queue;
    QString title;
    Options options;
    QByteArray pdf;
    Module module;
    Callbacks callbacks;
    Timing timing;

    std::mutex mutex;
    std::condition_variable wake;
    bool stopped = false;   // the run is gone: nothing more is told
    CancelDone cancelDone;  // a cancel asked for and not yet sent
    bool cancelAsked = false;

    // Runs `call` on the main thread while the run is there. Once it is gone nothing of Qt is
    // touched from this thread: the application may be ending.
    void post(std::function<void(State&)> call, const std::shared_ptr<State>& self) {
        const std::lock_guard lock(mutex);
        if (stopped) {
            return;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, call = std::move(call)] {
                if (!self->stopped) {
                    call(*self);
                }
            },
            Qt::QueuedConnection);
    }

    // The cancel asked for, if any, taken out of the state.
    bool takeCancel(CancelDone& done) {
        const std::lock_guard lock(mutex);
        done = std::exchange(cancelDone, {});
        return std::exchange(cancelAsked, false);
    }
};

namespace {

Sighting look(Session& session, JobRun::State& s, int job, int subscription, int& sequence,
              std::optional<printing::JobState>& notified) {
    Sighting seen;
    const Answer answer = session.job(s.queue, job, seen.job);
    seen.reachable = answer != Answer::NoAnswer;
    seen.known = answer == Answer::Done;
    if (!seen.reachable) {
        seen.error = session.error();
        return seen;
    }
    if (subscription != 0) {
        seen.eventsRead =
            session.events(s.queue, subscription, job, sequence, notified) == Answer::Done;
    }
    seen.notified = notified;
    session.printer(s.queue, seen.printer);
    return seen;
}

// Creates the job and sends it the card: Done, or why not. A job whose document the spooler
// refused is canceled; one whose sending went unanswered is canceled if the spooler lets it,
// else followed like any other, since the card may well have arrived.
Answer submit(Session& session, JobRun::State& s, int& job, QString& why) {
    Answer answer = session.createJob(s.queue, s.title, s.options, job);
    if (answer == Answer::Done) {
        answer = session.sendDocument(s.queue, job, s.pdf);
        if (answer == Answer::Done) {
            return answer;
        }
        why = session.error();
        const bool canceled = session.cancel(s.queue, job) == Answer::Done;
        return answer == Answer::Refused || canceled ? answer : Answer::Done;
    }
    why = session.error();
    return answer;
}

void run(const std::shared_ptr<JobRun::State>& self) {
    JobRun::State& s = *self;
    Session session(s.module, s.timing.limit);
    // Made before the job, so that no event of it is missed.
    int subscription = 0;
    if (session.subscribe(s.queue, subscription) != Answer::Done) {
        subscription = 0;
    }
    int job = 0;
    QString why;
    const Answer answer = submit(session, s, job, why);
    s.pdf.clear();
    if (answer != Answer::Done) {
        s.post([answer, why](JobRun::State& s) { s.callbacks.refused(answer, why); }, self);
    } else {
        s.post([job](JobRun::State& s) { s.callbacks.submitted(job); }, self);
        int sequence = 1;
        std::optional<printing::JobState> notified;
        for (;;) {
            // A cancel asked for is sent even when the run is gone meanwhile.
            CancelDone done;
            if (s.takeCancel(done)) {
                const bool canceled = session.cancel(s.queue, job) == Answer::Done;
                const Sighting after = look(session, s, job, subscription, sequence, notified);
                if (done) {
                    s.post([done, canceled, after](JobRun::State&) { done(canceled, after); },
                           self);
                }
                continue;
            }
            {
                std::unique_lock lock(s.mutex);
                if (s.stopped) {
                    break;
                }
            }
            const Sighting seen = look(session, s, job, subscription, sequence, notified);
            s.post([seen](JobRun::State& s) { s.callbacks.seen(seen); }, self);
            std::unique_lock lock(s.mutex);
            s.wake.wait_for(lock, s.timing.interval, [&s] { return s.stopped || s.cancelAsked; });
        }
    }
    if (subscription != 0) {
        session.unsubscribe(s.queue, subscription);
    }
}

}  // namespace

JobRun::JobRun(QString queue, QString title, Options options, QByteArray pdf, Callbacks callbacks,
               Timing timing)
    : state_(std::make_shared<State>()) {
    State& s = *state_;
    s.queue = std::move(queue);
    s.title = std::move(title);
    s.options = std::move(options);
    s.pdf = std::move(pdf);
    s.module = module();
    s.callbacks = std::move(callbacks);
    s.timing = timing;
    // Not waited for: a spooler that hangs holds up only this thread, which ends on its own.
    std::thread([self = state_] { run(self); }).detach();
}

JobRun::~JobRun() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->stopped = true;
    }
    state_->wake.notify_all();
}

void JobRun::cancel(std::function<void(bool canceled, const Sighting& after)> done) {
    {
        const std::lock_guard lock(state_->mutex);
        state_->cancelDone = std::move(done);
        state_->cancelAsked = true;
    }
    state_->wake.notify_all();
}

}  // namespace spooler
