#include "JobFollow.h"

#include "InputHold.h"
#include "MessageBoxes.h"
#include "core/JobFate.h"
#include "platform/JobRun.h"
#include "platform/PrintError.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

namespace printing {
namespace {

// How long a job may wait or print before the user is offered to stop waiting for it, how
// often the spooler is asked about it, and how long one request may take.
constexpr std::chrono::milliseconds kPatience{10000};
constexpr std::chrono::milliseconds kInterval{500};
constexpr std::chrono::milliseconds kRequestLimit{5000};

const QString kCaption = QStringLiteral("列印產品註冊卡");

// The error of a job the spooler did not print: what happened, and what the user can do.
PrintError notPrinted(const QString& printer, const QString& what, const QString& detail) {
    return PrintError(QStringLiteral("無法列印產品註冊卡：印表機「%1」%2。請確認印表機已開啟、"
                                     "可以列印，或選擇其他印表機，然後再列印一次。")
                          .arg(printer, what),
                      formatMessage(QStringLiteral("Cannot print on '%s': "), printer) + detail);
}

PrintError unreachable(const QString& printer, const QString& why) {
    return PrintError(QStringLiteral("無法列印產品註冊卡：無法連線到列印服務（CUPS），印表機「%1」"
                                     "沒有收到這份列印工作。請確認列印服務已經啟動，"
                                     "然後再列印一次。")
                          .arg(printer),
                      formatMessage(QStringLiteral("Cannot print on '%s': "), printer) + why);
}

// The printer's own words on why it stands still, where it has any.
QString printerWords(const spooler::Sighting& seen) {
    const QString& words = seen.printer.message.isEmpty() ? seen.job.message : seen.printer.message;
    return words.isEmpty() ? QString() : QStringLiteral("（印表機說：%1）").arg(words);
}

PrintError failedJob(const QString& printer, int job, Failure failure,
                     const spooler::Sighting& seen) {
    const QString reasons = seen.job.reasons.join(u',') + u';' + seen.printer.reasons.join(u',');
    const QString state = QStringLiteral("job %1 %2 (%3)");
    switch (failure) {
        case Failure::Canceled:
            return notPrinted(printer, QStringLiteral("上的列印工作已被取消"),
                              state.arg(job).arg(QStringLiteral("canceled"), reasons));
        case Failure::Aborted:
            return notPrinted(printer, QStringLiteral("上的列印工作已中止") + printerWords(seen),
                              state.arg(job).arg(QStringLiteral("aborted"), reasons));
        case Failure::Held:
            return notPrinted(printer,
                              QStringLiteral("把這份列印工作保留下來而不列印，本程式已取消它"),
                              state.arg(job).arg(QStringLiteral("held"), reasons));
        case Failure::PrinterStopped:
            return notPrinted(printer,
                              QStringLiteral("已停止列印") + printerWords(seen) +
                                  QStringLiteral("，本程式已取消這份列印工作，它不會稍後才印出"),
                              state.arg(job).arg(QStringLiteral("stopped"), reasons));
        case Failure::CannotGoOn:
        case Failure::None:
            break;
    }
    return notPrinted(printer,
                      QStringLiteral("無法繼續這份列印工作") + printerWords(seen) +
                          QStringLiteral("，本程式已取消它"),
                      state.arg(job).arg(QStringLiteral("cannot go on"), reasons));
}

// The window over the form while the card is printed: how the job stands, and after a while a
// way to stop waiting for it. It has no close box, and Escape does nothing: only the job's
// fate, or the user's word on the card, ends it.
class FollowWindow final : public QDialog {
public:
    FollowWindow(const QString& printer, QWidget* parent)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
          printer_(printer) {
        setWindowTitle(kCaption);
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        // The window grows with what it says.
        layout->setSizeConstraint(QLayout::SetFixedSize);
        auto* heading = new QLabel(QStringLiteral("正在列印註冊卡…"), this);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        layout->addWidget(heading);
        state_ = new QLabel(this);
        state_->setWordWrap(true);
        state_->setFixedWidth(400);
        layout->addWidget(state_);
        hint_ = new QLabel(QStringLiteral("如果產品註冊卡已經印出，或您不想再等候，"
                                          "請按「不再等候」。"),
                           this);
        hint_->setWordWrap(true);
        hint_->setFixedWidth(400);
        hint_->hide();
        layout->addWidget(hint_);
        stop_ = new QPushButton(QStringLiteral("不再等候"), this);
        stop_->hide();
        layout->addWidget(stop_, 0, Qt::AlignRight);
        connect(stop_, &QPushButton::clicked, this, [this] { stopWaiting(); });
        // Shown after a while whatever the spooler says, or if it says nothing at all.
        patience_.setSingleShot(true);
        patience_.setInterval(kPatience);
        connect(&patience_, &QTimer::timeout, this, [this] {
            hint_->show();
            stop_->show();
            // The keyboard finds the one thing the window offers.
            stop_->setFocus();
        });
        patience_.start();
        say(QStringLiteral("正在把產品註冊卡送到印表機「%1」。").arg(printer_));
    }

    std::optional<PrintError> failure;
    bool decided() const { return decided_; }

    void submitted(int job) { job_ = job; }

    void refused(spooler::Answer answer, const QString& why) {
        fail(answer == spooler::Answer::NoAnswer
                 ? unreachable(printer_, why)
                 : notPrinted(printer_, QStringLiteral("不接受這份列印工作"), why));
    }

    void seen(const spooler::Sighting& seen) {
        if (decided_) {
            return;
        }
        const Verdict verdict = judge(seen);
        if (asking_) {
            // The spooler's last word on the job counts over the user's guess.
            if (verdict.fate == Fate::Printed || verdict.fate == Fate::Failed) {
                pending_ = seen;
            }
            return;
        }
        switch (verdict.fate) {
            case Fate::Printed:
                finish();
                return;
            case Fate::Failed:
                failFor(verdict, seen);
                return;
            case Fate::Unknown:
                askUser(true);
                return;
            case Fate::Waiting:
                describe(seen);
                return;
        }
    }

    // Asks the spooler to cancel the job; told whether it did, and how the job stands then.
    std::function<void(std::function<void(bool, const spooler::Sighting&)>)> cancel;

protected:
    void reject() override {}
    void closeEvent(QCloseEvent* event) override { event->ignore(); }

private:
    void say(const QString& text) { state_->setText(text); }

    void describe(const spooler::Sighting& seen) {
        if (!seen.reachable) {
            say(QStringLiteral("列印服務沒有回應，本程式仍在等候它。"));
        } else if (seen.job.state == JobState::Processing) {
            say(QStringLiteral("印表機「%1」正在列印產品註冊卡。%2")
                    .arg(printer_, printerWords(seen)));
        } else {
            say(QStringLiteral("產品註冊卡在印表機「%1」等候列印。%2")
                    .arg(printer_, printerWords(seen)));
        }
    }

    void stopWaiting() {
        if (job_ == 0) {
            // Nothing reached the spooler: the card cannot have come out. A job made after
            // all is canceled.
            decided_ = true;
            cancel({});
            fail(
                unreachable(printer_, QStringLiteral("no answer before the user stopped waiting")));
            return;
        }
        askUser(false);
    }

    // The user's word on the card. While the spooler still knows the job, 否 cancels it; the
    // spooler's own last word, if it comes while the question is open, counts instead.
    void askUser(bool gone) {
        const QString forgotten =
            QStringLiteral("列印服務已經不再記得這份列印工作，無法得知產品註冊卡是否印出。");
        const QString cancels = QStringLiteral("本程式會取消這份列印工作，");
        asking_ = true;
        const bool printed =
            msg::ask((gone ? forgotten : QString()) +
                         QStringLiteral("產品註冊卡已經從印表機「%1」印出來了嗎？\n"
                                        "按「是」，這次的註冊會儲存；按「否」，%2註冊不會儲存。")
                             .arg(printer_, gone ? QString() : cancels),
                     kCaption);
        asking_ = false;
        if (pending_) {
            const spooler::Sighting last = *pending_;
            pending_.reset();
            seen(last);
        } else if (printed) {
            finish();
        } else {
            decided_ = true;
            const PrintError error =
                notPrinted(printer_,
                           QStringLiteral("沒有印出產品註冊卡（您這樣表示）") +
                               (gone ? QString() : QStringLiteral("，本程式已取消這份列印工作")),
                           QStringLiteral("job %1 not printed, as the user says").arg(job_));
            gone ? fail(error) : cancelThenFail(error);
        }
    }

    void failFor(const Verdict& verdict, const spooler::Sighting& seen) {
        decided_ = true;
        const PrintError error = failedJob(printer_, job_, verdict.failure, seen);
        if (verdict.cancel) {
            cancelThenFail(error);
        } else {
            fail(error);
        }
    }

    // A card called failed must never print later: the job is canceled first. A job that
    // completed meanwhile is a card after all.
    void cancelThenFail(const PrintError& error) {
        say(QStringLiteral("正在取消這份列印工作…"));
        hint_->hide();
        stop_->hide();
        cancel([this, error](bool canceled, const spooler::Sighting& after) {
            if (judge(after).fate == Fate::Printed) {
                finish();
            } else if (canceled || judge(after).fate == Fate::Failed) {
                fail(error);
            } else {
                fail(PrintError(error.text() + QStringLiteral("但列印服務沒有確認取消，"
                                                              "請檢查印表機的列印工作。"),
                                error.detail() + QStringLiteral("; not canceled")));
            }
        });
    }

    void finish() {
        decided_ = true;
        accept();
    }

    void fail(const PrintError& error) {
        decided_ = true;
        failure = error;
        accept();
    }

    QString printer_;
    QLabel* state_;
    QLabel* hint_;
    QPushButton* stop_;
    int job_ = 0;
    QTimer patience_;
    bool decided_ = false;
    bool asking_ = false;
    std::optional<spooler::Sighting> pending_;
};

}  // namespace

void sendAndFollow(const QString& printer, const QString& title, const spooler::Options& options,
                   const QByteArray& pdf, QWidget* parent) {
    spooler::load();
    FollowWindow window(printer, parent);
    const InputHold hold(&window);
    spooler::JobRun run(
        printer, title, options, pdf,
        {[&window](int job) { window.submitted(job); },
         [&window](spooler::Answer answer, const QString& why) { window.refused(answer, why); },
         [&window](const spooler::Sighting& seen) { window.seen(seen); }},
        {kRequestLimit, kInterval});
    window.cancel = [&run](std::function<void(bool, const spooler::Sighting&)> done) {
        run.cancel(std::move(done));
    };
    window.exec();
    if (window.failure) {
        throw *window.failure;
    }
    // The window was closed before any word on the card, as when the program is ending: the
    // card is not counted, and the job is canceled so that it does not print later.
    if (!window.decided()) {
        run.cancel({});
        throw notPrinted(printer, QStringLiteral("的列印工作還沒有結果，本程式已取消它"),
                         QStringLiteral("ended before the job's fate was known"));
    }
}

}  // namespace printing
