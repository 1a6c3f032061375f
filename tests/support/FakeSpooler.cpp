#include "FakeSpooler.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

// Asked on the thread that follows the job, looked at by the test.
struct Script {
    std::mutex mutex;
    std::condition_variable ended;
    int connections = 0;
    QList<int> states;
    int jobs = 0;
    int looks = 0;
    bool canceled = false;
} script;

int connection;

void* connect(int, OrvexText*) {
    const std::lock_guard lock(script.mutex);
    ++script.connections;
    return &connection;
}
void disconnect(void*) {
    const std::lock_guard lock(script.mutex);
    --script.connections;
    script.ended.notify_all();
}
int subscribe(void*, const char*, int* subscription, OrvexText*) {
    *subscription = 1;
    return 1;
}
void unsubscribe(void*, const char*, int) {}
int createJob(void*, const char*, const char*, int, const char* const*, const char* const*,
              int* job, OrvexText*) {
    const std::lock_guard lock(script.mutex);
    *job = ++script.jobs;
    return 1;
}
int sendDocument(void*, const char*, int, const char*, long long, OrvexText*) {
    return 1;
}
int jobStatus(void*, const char*, int, OrvexJob* job, OrvexText* error) {
    const std::lock_guard lock(script.mutex);
    ++script.looks;
    job->state = script.states.size() > 1 ? script.states.takeFirst() : script.states.value(0);
    std::snprintf(error->text, sizeof error->text, "not found");
    return job->state != 0 ? 1 : 0;
}
int printerStatus(void*, const char*, OrvexPrinter* printer, OrvexText*) {
    printer->state = 3;
    printer->accepting = 1;
    return 1;
}
int jobEvents(void*, const char*, int, int, int*, int* state, OrvexText*) {
    *state = 0;
    return 1;
}
int cancelJob(void*, const char*, int, OrvexText*) {
    const std::lock_guard lock(script.mutex);
    script.canceled = true;
    return 1;
}

}  // namespace

FakeSpooler::FakeSpooler(QList<int> states)
    : module_{connect,      disconnect, subscribe,     unsubscribe, createJob,
              sendDocument, jobStatus,  printerStatus, jobEvents,   cancelJob} {
    const std::lock_guard lock(script.mutex);
    script.states = std::move(states);
    script.jobs = script.looks = 0;
    script.canceled = false;
    spooler::setModule(&module_);
}

// The threads that followed a job end after it is decided; the next test's spooler must not
// answer them.
FakeSpooler::~FakeSpooler() {
    std::unique_lock lock(script.mutex);
    script.ended.wait_for(lock, std::chrono::seconds(10), [] { return script.connections == 0; });
    spooler::setModule(nullptr);
}

int FakeSpooler::jobs() const {
    const std::lock_guard lock(script.mutex);
    return script.jobs;
}

int FakeSpooler::looks() const {
    const std::lock_guard lock(script.mutex);
    return script.looks;
}

bool FakeSpooler::canceled() const {
    const std::lock_guard lock(script.mutex);
    return script.canceled;
}
