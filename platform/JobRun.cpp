#include "JobRun.h"

#include <QCoreApplication>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace spooler {

struct JobRun::State {
    QString queue;
    QString title;
    Options options;
    QByteArray pdf;
    Module module;
    Callbacks callbacks;
    Timing timing;

    // Touched on the program's main thread only: callbacks are dropped once the run is gone.
    bool active = true;

    std::mutex mutex;
    std::condition_variable wake;
    bool stopped = false;
    std::function<void(bool)> cancelDone;  // a cancel asked for and not yet sent

    // Runs `call` on the main thread while the run is there. The application outlives every
    // run, whoever made it.
    void post(std::function<void(State&)> call, const std::shared_ptr<State>& self) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, call = std::move(call)] {
                if (self->active) {
                    call(*self);
                }
            },
            Qt::QueuedConnection);
    }
};

namespace {

void look(Session& session, JobRun::State& s, int job, int subscription, int& sequence,
          std::optional<printing::JobState>& notified, Sighting& seen) {
    const Answer answer = session.job(s.queue, job, seen.job);
    seen.reachable = answer != Answer::NoAnswer;
    seen.known = answer == Answer::Done;
    if (!seen.reachable) {
        seen.error = session.error();
        return;
    }
    if (subscription != 0) {
        seen.eventsRead =
            session.events(s.queue, subscription, job, sequence, notified) == Answer::Done;
    }
    seen.notified = notified;
    session.printer(s.queue, seen.printer);
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
    Answer answer = session.createJob(s.queue, s.title, s.options, job);
    if (answer == Answer::Done) {
        answer = session.sendDocument(s.queue, job, s.pdf);
        if (answer != Answer::Done) {
            // A job without its document is no card; it must not stay waiting for one.
            session.cancel(s.queue, job);
        }
    }
    s.pdf.clear();
    if (answer != Answer::Done) {
        const QString why = session.error();
        s.post([answer, why](JobRun::State& s) { s.callbacks.refused(answer, why); }, self);
    } else {
        s.post([job](JobRun::State& s) { s.callbacks.submitted(job); }, self);
        int sequence = 1;
        std::optional<printing::JobState> notified;
        std::unique_lock lock(s.mutex);
        while (!s.stopped) {
            if (std::function<void(bool)> done = std::exchange(s.cancelDone, {})) {
                lock.unlock();
                const bool canceled = session.cancel(s.queue, job) == Answer::Done;
                s.post([done, canceled](JobRun::State&) { done(canceled); }, self);
                lock.lock();
                continue;
            }
            lock.unlock();
            Sighting seen;
            look(session, s, job, subscription, sequence, notified, seen);
            s.post([seen](JobRun::State& s) { s.callbacks.seen(seen); }, self);
            lock.lock();
            s.wake.wait_for(lock, s.timing.interval,
                            [&s] { return s.stopped || bool(s.cancelDone); });
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
    state_->active = false;
    {
        const std::lock_guard lock(state_->mutex);
        state_->stopped = true;
    }
    state_->wake.notify_all();
}

void JobRun::cancel(std::function<void(bool canceled)> done) {
    {
        const std::lock_guard lock(state_->mutex);
        state_->cancelDone = std::move(done);
    }
    state_->wake.notify_all();
}

}  // namespace spooler
