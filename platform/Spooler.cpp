#include "Spooler.h"

#include "Paths.h"
#include "PrintError.h"

#include <QLibrary>

namespace spooler {
namespace {

using printing::JobState;
using printing::PrinterState;

constexpr char kModule[] = "orvexreg-cups";

Module& loaded() {
    static Module module;
    return module;
}

QByteArray queueName(const QString& queue) {
    return queue.section(u'/', 0, 0).toUtf8();
}

JobState jobState(int state) {
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

PrinterState printerState(int state) {
    switch (state) {
        case 3:
            return PrinterState::Idle;
        case 4:
            return PrinterState::Processing;
        case 5:
            return PrinterState::Stopped;
        default:
            return PrinterState::Unknown;
    }
}

QStringList keywords(const char* text) {
    return QString::fromUtf8(text).split(u',', Qt::SkipEmptyParts);
}

}  // namespace

void load() {
    if (loaded().connect != nullptr) {
        return;
    }
    QLibrary library(paths::join(paths::programFolder(), QString::fromLatin1(kModule)));
    Module found;
    if (library.load()) {
        const auto resolve = [&library](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                library.resolve(name));
            return function != nullptr;
        };
        const bool whole = resolve(found.connect, "orvexConnect") &&
                           resolve(found.disconnect, "orvexDisconnect") &&
                           resolve(found.subscribe, "orvexSubscribe") &&
                           resolve(found.unsubscribe, "orvexUnsubscribe") &&
                           resolve(found.createJob, "orvexCreateJob") &&
                           resolve(found.sendDocument, "orvexSendDocument") &&
                           resolve(found.jobStatus, "orvexJobStatus") &&
                           resolve(found.printerStatus, "orvexPrinterStatus") &&
                           resolve(found.jobEvents, "orvexJobEvents") &&
                           resolve(found.cancelJob, "orvexCancelJob");
        if (whole) {
            loaded() = found;
            return;
        }
    }
    throw PrintError(QStringLiteral("無法確認印表機是否收到產品註冊卡：程式資料夾中缺少 %1 "
                                    "或無法載入。請重新安裝 orvexreg，然後再列印一次。")
                         .arg(QString::fromLatin1(kModule)),
                     library.errorString());
}

const Module& module() {
    return loaded();
}

Session::Session(const Module& module, std::chrono::milliseconds limit)
    : module_(module), limit_(limit) {}

Session::~Session() {
    if (connection_ != nullptr) {
        module_.disconnect(connection_);
    }
}

bool Session::connect() {
    if (connection_ == nullptr) {
        connection_ = module_.connect(int(limit_.count()), &text_);
        if (connection_ == nullptr) {
            error_ = QString::fromUtf8(text_.text);
        }
    }
    return connection_ != nullptr;
}

Answer Session::result(int done) {
    if (done == 1) {
        error_.clear();
        return Answer::Done;
    }
    error_ = QString::fromUtf8(text_.text);
    if (done == 0) {
        return Answer::Refused;
    }
    // The connection may be broken for good (a spooler restarted): the next request makes a
    // new one.
    module_.disconnect(connection_);
    connection_ = nullptr;
    return Answer::NoAnswer;
}

Answer Session::subscribe(const QString& queue, int& subscription) {
    if (!connect()) {
        return Answer::NoAnswer;
    }
    return result(
        module_.subscribe(connection_, queueName(queue).constData(), &subscription, &text_));
}

void Session::unsubscribe(const QString& queue, int subscription) {
    if (connect()) {
        module_.unsubscribe(connection_, queueName(queue).constData(), subscription);
    }
}

Answer Session::createJob(const QString& queue, const QString& title, const Options& options,
                          int& job) {
    if (!connect()) {
        return Answer::NoAnswer;
    }
    QList<const char*> names;
    QList<const char*> values;
    for (const auto& [name, value] : options) {
        names.append(name.constData());
        values.append(value.constData());
    }
    return result(module_.createJob(connection_, queueName(queue).constData(),
                                    title.toUtf8().constData(), int(options.size()),
                                    names.constData(), values.constData(), &job, &text_));
}

Answer Session::sendDocument(const QString& queue, int job, const QByteArray& pdf) {
    if (!connect()) {
        return Answer::NoAnswer;
    }
    return result(module_.sendDocument(connection_, queueName(queue).constData(), job,
                                       pdf.constData(), pdf.size(), &text_));
}

Answer Session::job(const QString& queue, int id, Job& job) {
    if (!connect()) {
        return Answer::NoAnswer;
    }
    OrvexJob status{};
    const Answer answer =
        result(module_.jobStatus(connection_, queueName(queue).constData(), id, &status, &text_));
    if (answer == Answer::Done) {
        job = {jobState(status.state), keywords(status.reasons), QString::fromUtf8(status.message)};
    }
    return answer;
}

Answer Session::printer(const QString& queue, Printer& printer) {
    if (!connect()) {
        return Answer::NoAnswer;
    }
    OrvexPrinter status{};
    const Answer answer =
        result(module_.printerStatus(connection_, queueName(queue).constData(), &status, &text_));
    if (answer == Answer::Done) {
        printer = {printerState(status.state), status.accepting != 0, keywords(status.reasons),
                   QString::fromUtf8(status.message)};
    }
    return answer;
}

Answer Session::events(const QString& queue, int subscription, int job, int& sequence,
                       std::optional<JobState>& state) {
    if (!connect()) {
        return Answer::NoAnswer;
    }
    int last = 0;
    const Answer answer = result(module_.jobEvents(connection_, queueName(queue).constData(),
                                                   subscription, job, &sequence, &last, &text_));
    if (answer == Answer::Done && last != 0) {
        state = jobState(last);
    }
    return answer;
}

Answer Session::cancel(const QString& queue, int job) {
    if (!connect()) {
        return Answer::NoAnswer;
    }
    return result(module_.cancelJob(connection_, queueName(queue).constData(), job, &text_));
}

}  // namespace spooler
