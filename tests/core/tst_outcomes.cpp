#include "core/AnswerStatus.h"
#include "core/JobFate.h"

#include <QTest>
#include <tuple>

// The rules that decide how an upload and a print ended.
class TestOutcomes : public QObject {
    Q_OBJECT
private slots:
    // Only a final 2xx answer ends a post well.
    void theStatusRule() {
        using T = Transfer;
        using O = AnswerOutcome;
        const std::tuple<int, bool, T, O> rows[] = {
            {200, false, T::Whole, O::Accepted},
            {204, false, T::Whole, O::Accepted},
            {302, true, T::Whole, O::Redirected},
            {307, true, T::BodyNotResent, O::Redirected},  // the body is not sent again
            {302, true, T::Broken, O::Failed},
            {302, false, T::Whole, O::Failed},
            {304, false, T::Whole, O::Failed},
            {404, false, T::Broken, O::Failed},
            {500, false, T::Broken, O::Failed},
            {200, false, T::Broken, O::Failed}};
        for (const auto& [status, location, transfer, outcome] : rows) {
            QVERIFY(answerOutcome(status, location, transfer) == outcome);
        }
    }

    // Only the job's fate decides; a job that would print later is canceled when it is called
    // failed, and only the user can tell of a job that is gone without a last word.
    void theJobsFateDecides() {
        using printing::Failure;
        using printing::Fate;
        using printing::JobState;
        using printing::PrinterState;
        struct Row {
            const char* name;
            spooler::Sighting seen;
            printing::Verdict verdict;
        };
        const auto seen = [](JobState state, QStringList reasons = {},
                             PrinterState printer = PrinterState::Idle) {
            spooler::Sighting s;
            s.reachable = s.known = s.eventsRead = true;
            s.job.state = state;
            s.job.reasons = std::move(reasons);
            s.printer.state = printer;
            return s;
        };
        const auto gone = [](std::optional<JobState> notified, bool reachable = true,
                             bool eventsRead = true) {
            spooler::Sighting s;
            s.reachable = reachable;
            s.eventsRead = eventsRead;
            s.notified = notified;
            return s;
        };
        const Row rows[] = {
            {"completed", seen(JobState::Completed), {Fate::Printed, Failure::None, false}},
            {"canceled", seen(JobState::Canceled), {Fate::Failed, Failure::Canceled, false}},
            {"aborted", seen(JobState::Aborted), {Fate::Failed, Failure::Aborted, false}},
            {"held",
             seen(JobState::Held, {"job-hold-until-specified"}),
             {Fate::Failed, Failure::Held, true}},
            {"held for its document",
             seen(JobState::Held, {"job-incoming"}),
             {Fate::Waiting, Failure::None, false}},
            {"stopped", seen(JobState::Stopped), {Fate::Failed, Failure::PrinterStopped, true}},
            {"pending on a stopped printer",
             seen(JobState::Pending, {"printer-stopped"}, PrinterState::Stopped),
             {Fate::Failed, Failure::PrinterStopped, true}},
            {"pending, cannot go on",
             seen(JobState::Pending, {"document-format-error"}),
             {Fate::Failed, Failure::CannotGoOn, true}},
            {"pending", seen(JobState::Pending, {"none"}), {Fate::Waiting, Failure::None, false}},
            {"printing",
             seen(JobState::Processing, {}, PrinterState::Processing),
             {Fate::Waiting, Failure::None, false}},
            {"gone after it completed",
             gone(JobState::Completed),
             {Fate::Printed, Failure::None, false}},
            {"gone after it aborted",
             gone(JobState::Aborted),
             {Fate::Failed, Failure::Aborted, false}},
            {"gone without a word", gone(std::nullopt), {Fate::Unknown, Failure::None, false}},
            {"gone, its events unread",
             gone(std::nullopt, true, false),
             {Fate::Waiting, Failure::None, false}},
            {"gone while printing",
             gone(JobState::Processing),
             {Fate::Unknown, Failure::None, false}},
            {"no answer", gone(std::nullopt, false), {Fate::Waiting, Failure::None, false}},
            {"no answer after it completed",
             gone(JobState::Completed, false),
             {Fate::Printed, Failure::None, false}},
        };
        for (const Row& row : rows) {
            const printing::Verdict v = printing::judge(row.seen);
            QVERIFY2(v.fate == row.verdict.fate && v.failure == row.verdict.failure &&
                         v.cancel == row.verdict.cancel,
                     row.name);
        }
    }
};

QTEST_GUILESS_MAIN(TestOutcomes)
#include "tst_outcomes.moc"
