#include "PrintEngine.h"

#include "core/JobFate.h"
#include "platform/Error.h"
#include "platform/Spooler.h"
#include "platform/WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>
#include <algorithm>
#include <cerrno>

namespace printing {
namespace {

QPrinter* thePrinter = nullptr;
Dialog replacedDialog;
QString replacedPdf;

bool showPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void dropPrinter() {
    delete thePrinter;
    thePrinter = nullptr;
}

// What keeps the file from being written, and what the user can do about it.
QString fileCause(const QString& path, int error, bool inFolder) {
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    switch (error) {
        case ENOENT:
            return QStringLiteral(
                       "因為資料夾「%1」不存在。請先建立這個資料夾，或改存到其他位置，"
                       "然後再列印一次。")
                .arg(folder);
        case ENOTDIR:
            return QStringLiteral(
                "因為路徑中有一部分是檔案，不是資料夾。請改存到其他位置，"
                "然後再列印一次。");
        case EACCES:
        case EPERM:
            return inFolder
                       ? QStringLiteral(
                             "因為資料夾「%1」不允許寫入。請改存到您可以寫入的資料夾，"
                             "然後再列印一次。")
                             .arg(folder)
                       : QStringLiteral("因為這個檔案不允許寫入。請改用其他檔名，然後再列印一次。");
        case ENXIO:
            return QStringLiteral(
                "因為這個名稱不是一般的檔案（而是管線或通訊端）。請改用其他檔名，"
                "然後再列印一次。");
        case EROFS:
            return QStringLiteral("因為它所在的磁碟只能讀取。請改存到其他磁碟，然後再列印一次。");
        case EISDIR:
            return QStringLiteral("因為這個名稱是一個資料夾。請改用其他檔名，然後再列印一次。");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("因為磁碟空間已滿。請清出磁碟空間，然後再列印一次。");
        default:
            return QStringLiteral("請改存到其他位置，然後再列印一次。");
    }
}

// A print into a file, written as a PDF, rather than through the spooler.
bool toFile(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat || !printer.outputFileName().isEmpty();
}

// The error of a job the printer cannot start.
PrintError cannotPrint(const QPrinter& printer) {
    return PrintError(
        QStringLiteral("無法在印表機「%1」上列印產品註冊卡。請確認印表機已開啟並連線，"
                       "或選擇其他印表機，然後再列印一次。")
            .arg(printer.printerName()),
        formatMessage(QStringLiteral("Cannot print on '%s'"), printer.printerName()));
}

// The error of a card file that was not written whole: names the file and the cause.
PrintError cannotWrite(const WholeFile& file) {
    const QString& path = file.path();
    QString detail = formatMessage(QStringLiteral("Cannot print on '%s'"), path);
    if (file.errorNumber() != 0) {
        detail += QStringLiteral(": ") + qt_error_string(file.errorNumber());
    }
    return PrintError(QStringLiteral("無法列印產品註冊卡：檔案「%1」無法寫入，")
                              .arg(QDir::toNativeSeparators(path)) +
                          fileCause(path, file.errorNumber(), file.folderFailed()),
                      detail);
}

// The error of a job the spooler did not print: what happened, and what the user can do.
PrintError notPrinted(const QString& printer, const QString& what, const QString& detail) {
    return PrintError(QStringLiteral("無法列印產品註冊卡：印表機「%1」%2。請確認印表機已開啟、"
                                     "可以列印，或選擇其他印表機，然後再列印一次。")
                          .arg(printer, what),
                      formatMessage(QStringLiteral("Cannot print on '%s': "), printer) + detail);
}

PrintError jobFailed(const QString& printer, int job, JobState state) {
    switch (state) {
        case JobState::Canceled:
            return notPrinted(printer, QStringLiteral("上的列印工作已被取消"),
                              QStringLiteral("job %1 canceled").arg(job));
        case JobState::Stopped:
            return notPrinted(printer, QStringLiteral("上的列印工作已停止"),
                              QStringLiteral("job %1 stopped").arg(job));
        case JobState::Missing:
            return notPrinted(printer, QStringLiteral("找不到這份列印工作"),
                              QStringLiteral("job %1 gone").arg(job));
        default:
            return notPrinted(printer, QStringLiteral("上的列印工作已中止"),
                              QStringLiteral("job %1 aborted").arg(job));
    }
}

// Holds back the closing of windows while a print is followed: the close box is no user input
// to the event loop, and a form closed in the middle of its finish would leave it half done.
class HoldCloses final : public QObject {
public:
    HoldCloses() { QCoreApplication::instance()->installEventFilter(this); }
    ~HoldCloses() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return false;
    }
};

// Follows the job until its fate is known, JobWatch at the longest. The windows keep painting
// meanwhile; the user's input and the close boxes wait until the answer is there.
JobState follow(const QString& queue, int job) {
    QElapsedTimer clock;
    clock.start();
    JobState state = spooler::jobState(queue, job);
    const auto open = [&] {
        return jobFate(state, std::chrono::milliseconds(clock.elapsed())) == JobFate::Open;
    };
    if (!open()) {
        return state;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const HoldCloses hold;
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        state = spooler::jobState(queue, job);
        if (!open()) {
            loop.quit();
        }
    });
    tick.start(200);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QGuiApplication::restoreOverrideCursor();
    return state;
}

// The card is laid out for A4: a printer that can take A4 prints on it, whatever paper the
// dialog or the printer's queue chose.
void settlePaper(QPrinter& printer) {
    if (!toFile(printer)) {
        const QList<QPageSize> sizes = QPrinterInfo(printer).supportedPageSizes();
        const auto isA4 = [](const QPageSize& size) { return size.id() == QPageSize::A4; };
        if (!sizes.isEmpty() && std::none_of(sizes.begin(), sizes.end(), isA4)) {
            return;
        }
    }
    printer.setPageSize(QPageSize(QPageSize::A4));
}

}  // namespace

void setDialog(Dialog dialog) {
    replacedDialog = std::move(dialog);
}

void setPdfOutput(const QString& path) {
    replacedPdf = path;
}

QString pdfOutput() {
    if (!replacedPdf.isEmpty()) {
        return replacedPdf;
    }
    return qEnvironmentVariable("ORVEXREG_PRINT_PDF");
}

QPrinter& printer() {
    if (!thePrinter) {
        thePrinter = new QPrinter(QPrinter::HighResolution);
        thePrinter->setPageSize(QPageSize(QPageSize::A4));
        thePrinter->setPageOrientation(QPageLayout::Portrait);
        thePrinter->setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        thePrinter->setCopyCount(1);
        thePrinter->setPrintRange(QPrinter::AllPages);
        thePrinter->setPaperSource(QPrinter::Auto);
        thePrinter->setDuplex(QPrinter::DuplexNone);
        // The print plug-in must go before the application does.
        static const bool dropsAtExit = (qAddPostRoutine(dropPrinter), true);
        Q_UNUSED(dropsAtExit);
    }
    return *thePrinter;
}

bool choose(QWidget* parent, const QString& documentName) {
    QPrinter& p = printer();
    // Also the dialog's first guess of a file name.
    p.setDocName(documentName);
    const QString pdf = pdfOutput();
    if (!pdf.isEmpty()) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
    } else if (!(replacedDialog ? replacedDialog(p, parent) : showPrintDialog(p, parent))) {
        return false;
    }
    settlePaper(p);
    return true;
}

QTransform placeSheet(const QSizeF& paper, const QRectF& printable) {
    const QSizeF sheet = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    // A tenth of a millimetre: paper sizes converted from points are not exact.
    constexpr qreal slack = 0.1;
    if (paper.width() + slack >= sheet.width() && paper.height() + slack >= sheet.height()) {
        return QTransform();
    }
    const qreal scale =
        qMin(printable.width() / sheet.width(), printable.height() / sheet.height());
    const QPointF corner = printable.center() - QPointF(sheet.width(), sheet.height()) * scale / 2;
    return QTransform::fromTranslate(corner.x(), corner.y()).scale(scale, scale);
}

void reset() {
    replacedDialog = {};
    replacedPdf.clear();
    dropPrinter();
}

}  // namespace printing

PrintJob::PrintJob() = default;

PrintJob::~PrintJob() {
    if (painter_.isActive()) {
        // An error broke off the job: what can be withdrawn is not printed.
        abandon();
    }
}

void PrintJob::abandon() {
    if (!writer_) {
        printing::printer().abort();
    }
    painter_.end();
    writer_.reset();
    file_.reset();
}

void PrintJob::open() {
    QPrinter& printer = printing::printer();
    // Positions count from the corner of the sheet, not of the printable area.
    printer.setFullPage(true);
    page_ = 0;
    sheets_ = 0;
    QPageLayout layout = printer.pageLayout();
    QPaintDevice* device = &printer;
    if (printing::toFile(printer)) {
        // Qt's own PDF output does not report failed writes: the file is written through a
        // device that does.
        file_ = std::make_unique<WholeFile>(printer.outputFileName());
        if (!file_->open(QIODevice::WriteOnly)) {
            throw printing::cannotWrite(*file_);
        }
        layout = QPageLayout(QPageSize(QPageSize::A4), layout.orientation(), QMarginsF());
        layout.setMode(QPageLayout::FullPageMode);
        writer_ = std::make_unique<QPdfWriter>(file_.get());
        writer_->setPageLayout(layout);
        writer_->setResolution(printer.resolution());
        writer_->setPdfVersion(printer.pdfVersion());
        writer_->setTitle(printer.docName());
        writer_->setCreator(printer.creator());
        device = writer_.get();
    } else {
        lastJob_ = spooler::newestJob(printer.printerName());
    }
    if (!painter_.begin(device)) {
        throw writer_ ? printing::cannotWrite(*file_) : printing::cannotPrint(printer);
    }
    painter_.scale(device->logicalDpiX() / 25.4, device->logicalDpiY() / 25.4);
    layout.setUnits(QPageLayout::Millimeter);
    const QRectF paper = layout.fullRect();
    painter_.setTransform(
        printing::placeSheet(paper.size(), paper.marginsRemoved(layout.minimumMargins())) *
        painter_.transform());
}

bool PrintJob::startPage() {
    ++page_;
    if (!inRange(page_)) {
        return false;
    }
    if (sheets_ > 0) {
        if (writer_) {
            writer_->newPage();
        } else {
            printing::printer().newPage();
        }
    }
    ++sheets_;
    return true;
}

bool PrintJob::inRange(int page) const {
    const QPrinter& printer = printing::printer();
    if (printer.printRange() != QPrinter::PageRange || printer.fromPage() < 1 ||
        printer.fromPage() > pageCount_) {
        return true;
    }
    return page >= printer.fromPage() && (printer.toPage() < 1 || page <= printer.toPage());
}

bool PrintJob::end() {
    if (!painter_.isActive()) {
        return false;
    }
    if (sheets_ == 0) {
        abandon();
        return false;
    }
    painter_.end();
    if (file_) {
        if (!file_->commit()) {
            throw printing::cannotWrite(*file_);
        }
        return true;
    }
    settleSpoolerJob();
    return true;
}

void PrintJob::settleSpoolerJob() const {
    const QString printer = printing::printer().printerName();
    const QString refused = spooler::refusal();
    if (!refused.isEmpty()) {
        throw printing::notPrinted(printer, QStringLiteral("不接受這份列印工作"), refused);
    }
    const int job = spooler::newestJob(printer);
    if (job <= lastJob_) {
        throw printing::notPrinted(printer, QStringLiteral("沒有收到這份列印工作"),
                                   QStringLiteral("no job"));
    }
    const printing::JobState state = printing::follow(printer, job);
    if (printing::jobFate(state, printing::JobWatch) == printing::JobFate::Failed) {
        throw printing::jobFailed(printer, job, state);
    }
}
