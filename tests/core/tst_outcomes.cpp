#include "core/AnswerStatus.h"
#include "core/JobFate.h"

#include <QTest>
#include <tuple>

Q_DECLARE_METATYPE(printing::JobState)
Q_DECLARE_METATYPE(printing::JobFate)

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

    // A spooler job that fails while it is followed is no card; one still waiting at the end
    // of the watch is printed, as the spooler will print it.
    void jobFateFollowsTheState_data() {
        using printing::JobFate;
        using printing::JobState;
        QTest::addColumn<JobState>("state");
        QTest::addColumn<int>("elapsed");  // ms since the job was handed over
        QTest::addColumn<JobFate>("fate");
        const int watch = int(printing::JobWatch.count());
        QTest::newRow("done at once") << JobState::Completed << 0 << JobFate::Printed;
        QTest::newRow("aborted") << JobState::Aborted << 300 << JobFate::Failed;
        QTest::newRow("canceled") << JobState::Canceled << 300 << JobFate::Failed;
        QTest::newRow("stopped") << JobState::Stopped << 300 << JobFate::Failed;
        QTest::newRow("no such job") << JobState::Missing << 0 << JobFate::Failed;
        QTest::newRow("aborted late") << JobState::Aborted << watch * 2 << JobFate::Failed;
        QTest::newRow("pending") << JobState::Pending << 1000 << JobFate::Open;
        QTest::newRow("processing") << JobState::Processing << watch - 1 << JobFate::Open;
        QTest::newRow("processing at the end") << JobState::Processing << watch << JobFate::Printed;
        QTest::newRow("held at the end") << JobState::Held << watch + 200 << JobFate::Printed;
    }
    void jobFateFollowsTheState() {
        QFETCH(printing::JobState, state);
        QFETCH(int, elapsed);
        QFETCH(printing::JobFate, fate);
        QCOMPARE(printing::jobFate(state, std::chrono::milliseconds(elapsed)), fate);
    }
};

QTEST_GUILESS_MAIN(TestOutcomes)
#include "tst_outcomes.moc"
