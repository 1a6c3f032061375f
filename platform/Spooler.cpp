#include "Spooler.h"

#include "CupsJobs.h"
#include "Paths.h"
#include "PrintError.h"

#include <QLibrary>

namespace spooler {
namespace {

using printing::JobState;

constexpr char kModule[] = "orvexreg-cups";

struct Module {
    decltype(&orvexNewestJob) newestJob = nullptr;
    decltype(&orvexJobState) jobState = nullptr;
    decltype(&orvexRefusal) refusal = nullptr;
};

// The spooler module of the program folder, loaded at its first use; a print that cannot be
// followed is not called printed.
const Module& module() {
    static Module loaded;
    if (loaded.refusal != nullptr) {
        return loaded;
    }
    QLibrary library(paths::join(paths::programFolder(), QString::fromLatin1(kModule)));
    Module found;
    if (library.load()) {
        found.newestJob =
            reinterpret_cast<decltype(found.newestJob)>(library.resolve("orvexNewestJob"));
        found.jobState =
            reinterpret_cast<decltype(found.jobState)>(library.resolve("orvexJobState"));
        found.refusal = reinterpret_cast<decltype(found.refusal)>(library.resolve("orvexRefusal"));
    }
    if (!found.newestJob || !found.jobState || !found.refusal) {
        throw PrintError(QStringLiteral("無法確認印表機是否收到產品註冊卡：程式資料夾中缺少 %1 "
                                        "或無法載入。請重新安裝 orvexreg，然後再列印一次。")
                             .arg(QString::fromLatin1(kModule)),
                         library.errorString());
    }
    loaded = found;
    return loaded;
}

QByteArray queueName(const QString& queue) {
    return queue.section(u'/', 0, 0).toUtf8();
}

JobState stateOf(int state) {
    switch (state) {
        case 3:
            return JobState::Pending;
        case 4:
            return JobState::Held;
        case 5:
            return JobState::Processing;
        case 6:
            return JobState::Stopped;
        case 7:
            return JobState::Canceled;
        case 8:
            return JobState::Aborted;
        case 9:
            return JobState::Completed;
        default:
            return JobState::Missing;
    }
}

}  // namespace

int newestJob(const QString& queue) {
    return module().newestJob(queueName(queue).constData());
}

printing::JobState jobState(const QString& queue, int job) {
    return stateOf(module().jobState(queueName(queue).constData(), job));
}

QString refusal() {
    char text[512];
    return module().refusal(text, sizeof text) ? QString::fromUtf8(text) : QString();
}

}  // namespace spooler
