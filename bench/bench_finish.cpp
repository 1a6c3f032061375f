// Completing a 100-product registration in the real form, from the No to "more products?"
// to the registration string stored (the form hides right after it), against the raw SQLite
// baseline of the same values, in the same run. The hive is the one the program finds, under
// $XDG_CONFIG_HOME, on disk.
#include "FormFill.h"
#include "RawBaseline.h"
#include "app/Forms.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "desktop/Application.h"
#include "desktop/MessageBoxes.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"
#include "registration/TForm5.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include "Median.h"

namespace {

constexpr int kRounds = 41;

// Answers Yes until the products are there, then No, and starts the clock at that No; the
// clock stops when the form hides, as it does as soon as the string is stored.
class Answers final : public msg::MessageBoxes {
public:
    int yesLeft = 0;
    QElapsedTimer clock;
    double stoppedMs = 0;
    msg::Answer show(const QString&, const QString&, msg::Icon, msg::Buttons buttons) override {
        if (buttons == msg::Buttons::Ok) {
            return msg::Answer::Ok;
        }
        if (yesLeft > 0) {
            --yesLeft;
            return msg::Answer::Yes;
        }
        clock.start();
        return msg::Answer::No;
    }
};

class HideWatch : public QObject {
public:
    HideWatch(QWidget* form, Answers* answers) : answers_(answers) {
        form->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && answers_->clock.isValid()) {
            answers_->stoppedMs = answers_->clock.nsecsElapsed() / 1e6;
        }
        return false;
    }

private:
    Answers* answers_;
};

void fill(TForm5& f, int product) {
    f.Edit16->setText(QStringLiteral("EFF%1").arg(product, 7, 10, QChar(u'0')));
}

double completion(const QString& folder) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    Hive::setPath(QString());  // looked up again, as at a start
    paths::setDriveC(folder + QStringLiteral("/drive_c"));
    Answers answers;
    msg::setBoxes(&answers);
    createForms();
    TForm5& f = *Form5;
    HideWatch watch(&f, &answers);
    f.MemberType = QStringLiteral("Person");
    f.RegMode = QStringLiteral("online");
    f.show();
    fillParticulars(f);
    for (int product = 1; product <= TForm5::MaxProducts; ++product) {
        fill(f, product);
        answers.yesLeft = product < TForm5::MaxProducts ? 1 : 0;
        f.Button2Click();
    }
    const double ms = answers.stoppedMs;
    Registry reg;
    reg.OpenKey(keys::StateKey);
    if (reg.ReadInteger(keys::ProductCount) != TForm5::MaxProducts) {
        std::fprintf(stderr, "the registration was not completed\n");
        std::exit(1);
    }
    destroyForms();
    msg::setBoxes(nullptr);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("ORVEXREG_HIVE");
    Application app(argc, argv);
    paths::setProgramFolder(QStringLiteral(ORVEX_BUILD_OUT));
    // Purchases on the first-run day, so that every product passes its checks.
    LocalClock::setNow(QDateTime(QDate::currentDate(), QTime(9, 0)));
    // Next to the program, on disk: a temporary folder may be in memory.
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-XXXXXX"));
    const auto rows = baseline::registration();
    std::vector<double> form, raw;
    for (int round = 0; round < kRounds; ++round) {
        const QString folder = dir.filePath(QString::number(round));
        raw.push_back(baseline::viaSqlite(folder + QStringLiteral("-raw.db"), rows));
        form.push_back(completion(folder));
    }
    const double f = median(form), r = median(raw);
    std::printf("100-product registration, median of %d:\n", kRounds);
    std::printf("  completion in the form:   %8.3f ms\n", f);
    std::printf("  raw SQLite inserts:       %8.3f ms\n", r);
    std::printf("  ratio form / raw:         %8.2f (target at most 1.5)\n", f / r);
    Hive::setPath(QString());  // closed before its folder goes
    return 0;
}
