// Entering products in the real form: the cost of one "yes, another product" step, from the
// finish button to the new tab painted, for the 10th product against the 100th of the same
// registration. Linear entry keeps the two alike.
#include "FormFill.h"
#include "app/Forms.h"
#include "desktop/Application.h"
#include "desktop/MessageBoxes.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"
#include "registration/TForm5.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include "Median.h"

namespace {

constexpr int kRounds = 21;
constexpr int kEarly = 10;
constexpr int kLate = TForm5::MaxProducts;

class AlwaysYes final : public msg::MessageBoxes {
public:
    msg::Answer show(const QString& text, const QString&, msg::Icon,
                     msg::Buttons buttons) override {
        if (buttons == msg::Buttons::Ok) {
            // A refusal of the form's checks: the count check below then says it failed.
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return msg::Answer::Ok;
        }
        return msg::Answer::Yes;
    }
};

struct Steps {
    double early = 0;
    double late = 0;
};

// One registration of kLate products; the step that opens product n is timed through the
// repaint it causes.
Steps entry(const QString& folder) {
    Hive::setPath(folder + QStringLiteral("/hive.sqlite3"));
    paths::setDriveC(folder + QStringLiteral("/drive_c"));
    AlwaysYes answers;
    msg::setBoxes(&answers);
    createForms();
    TForm5& f = *Form5;
    f.MemberType = QStringLiteral("Person");
    f.RegMode = QStringLiteral("online");
    f.show();
    fillParticulars(f);
    QCoreApplication::processEvents();
    Steps steps;
    QElapsedTimer timer;
    for (int product = 2; product <= kLate; ++product) {
        f.Edit16->setText(QStringLiteral("EFF%1").arg(product - 1, 7, 10, QChar(u'0')));
        QCoreApplication::processEvents();
        timer.start();
        f.Button2Click();
        QCoreApplication::processEvents();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (product == kEarly) {
            steps.early = ms;
        } else if (product == kLate) {
            steps.late = ms;
        }
    }
    if (f.TabControl1->count() != kLate) {
        std::fprintf(stderr, "the products were not all entered: %d\n",
                     int(f.TabControl1->count()));
        std::exit(1);
    }
    destroyForms();
    msg::setBoxes(nullptr);
    Hive::setPath(QString());
    return steps;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    paths::setProgramFolder(QStringLiteral(ORVEX_BUILD_OUT));
    // Purchases on the first-run day, so that every product passes its checks.
    LocalClock::setNow(QDateTime(QDate::currentDate(), QTime(9, 0)));
    QTemporaryDir dir;
    std::vector<double> early, late;
    for (int round = 0; round < kRounds; ++round) {
        const Steps steps = entry(dir.filePath(QString::number(round)));
        early.push_back(steps.early);
        late.push_back(steps.late);
    }
    const double e = median(early), l = median(late);
    std::printf("Product entry, one step to another product, median of %d:\n", kRounds);
    std::printf("  step to product %3d:       %8.3f ms\n", kEarly, e);
    std::printf("  step to product %3d:       %8.3f ms\n", kLate, l);
    std::printf("  entry ratio %d / %d:      %8.2f (target at most 1.5)\n", kLate, kEarly, l / e);
    return 0;
}
