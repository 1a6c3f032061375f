#include "PrintEngine.h"

#include "JobFollow.h"
#include "platform/Error.h"
#include "platform/WholeFile.h"

#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cerrno>

namespace printing {
namespace {

QPrinter* thePrinter = nullptr;
Dialog replacedDialog;
QString replacedPdf;
QString replacedQueue;

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
    return replacedQueue.isEmpty() &&
           (printer.outputFormat() == QPrinter::PdfFormat || !printer.outputFileName().isEmpty());
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

// The options of the job as the print dialog left them: copies, sides, colour, paper, and what
// its advanced settings chose for the spooler.
spooler::Options jobOptions(QPrinter& printer) {
    spooler::Options options;
    const auto add = [&options](const char* name, const QByteArray& value) {
        options.append({QByteArray(name), value});
    };
    add("copies", QByteArray::number(printer.copyCount()));
    add("multiple-document-handling", printer.collateCopies()
                                          ? "separate-documents-collated-copies"
                                          : "separate-documents-uncollated-copies");
    switch (printer.duplex()) {
        case QPrinter::DuplexLongSide:
            add("sides", "two-sided-long-edge");
            break;
        case QPrinter::DuplexShortSide:
            add("sides", "two-sided-short-edge");
            break;
        default:
            add("sides", "one-sided");
            break;
    }
    if (printer.colorMode() == QPrinter::GrayScale) {
        add("print-color-mode", "monochrome");
    }
    add("media", printer.pageLayout().pageSize().key().toUtf8());
    // The print dialog keeps its advanced choices as name and value pairs of the spooler's.
    constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
    const QStringList chosen = printer.printEngine()->property(kCupsOptions).toStringList();
    for (qsizetype i = 0; i + 1 < chosen.size(); i += 2) {
        options.append({chosen[i].toUtf8(), chosen[i + 1].toUtf8()});
    }
    return options;
}

// The card is laid out for A4: a printer that can take A4 prints on it, whatever paper the
// dialog or the printer's queue chose.
void settlePaper(QPrinter& printer) {
    if (!toFile(printer) && replacedQueue.isEmpty()) {
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

void setQueue(const QString& queue) {
    replacedQueue = queue;
}

QString queue() {
    return replacedQueue.isEmpty() ? printer().printerName() : replacedQueue;
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
    } else if (replacedQueue.isEmpty() &&
               !(replacedDialog ? replacedDialog(p, parent) : showPrintDialog(p, parent))) {
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
    replacedQueue.clear();
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
    painter_.end();
    writer_.reset();
    file_.reset();
    spool_.reset();
}

void PrintJob::open() {
    QPrinter& printer = printing::printer();
    page_ = 0;
    sheets_ = 0;
    QPageLayout layout = printer.pageLayout();
    QIODevice* device = nullptr;
    if (printing::toFile(printer)) {
        // Qt's own PDF output does not report failed writes: the file is written through a
        // device that does.
        file_ = std::make_unique<WholeFile>(printer.outputFileName());
        if (!file_->open(QIODevice::WriteOnly)) {
            throw printing::cannotWrite(*file_);
        }
        layout = QPageLayout(QPageSize(QPageSize::A4), layout.orientation(), QMarginsF());
        device = file_.get();
    } else {
        // Rendered here and sent as a job of the program's own, so that it knows its job.
        spool_ = std::make_unique<QBuffer>();
        spool_->open(QIODevice::WriteOnly);
        device = spool_.get();
    }
    layout.setMode(QPageLayout::FullPageMode);
    writer_ = std::make_unique<QPdfWriter>(device);
    writer_->setPageLayout(layout);
    writer_->setResolution(printer.resolution());
    writer_->setPdfVersion(printer.pdfVersion());
    writer_->setTitle(printer.docName());
    writer_->setCreator(printer.creator());
    if (!painter_.begin(writer_.get())) {
        throw file_ ? printing::cannotWrite(*file_) : printing::cannotPrint(printer);
    }
    painter_.scale(writer_->logicalDpiX() / 25.4, writer_->logicalDpiY() / 25.4);
    layout.setUnits(QPageLayout::Millimeter);
    // Positions count from the corner of the sheet, not of the printable area.
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
        writer_->newPage();
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
    QPrinter& printer = printing::printer();
    printing::sendAndFollow(printing::queue(), printer.docName(), printing::jobOptions(printer),
                            spool_->data(), QApplication::activeWindow());
    return true;
}
