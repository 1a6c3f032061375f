#include "PrintEngine.h"

#include "Error.h"

#include <QCoreApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>

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
        return true;
    }
    return replacedDialog ? replacedDialog(p, parent) : showPrintDialog(p, parent);
}

void reset() {
    replacedDialog = {};
    replacedPdf.clear();
    dropPrinter();
}

}  // namespace printing

PrintJob::~PrintJob() {
    if (painter_.isActive()) {
        // An error broke off the job: what can be withdrawn is not printed.
        printing::printer().abort();
        painter_.end();
    }
}

bool PrintJob::begin(QWidget* parent, const QString& documentName) {
    if (!printing::choose(parent, documentName)) {
        return false;
    }
    open();
    return true;
}

void PrintJob::open() {
    QPrinter& printer = printing::printer();
    // Positions count from the corner of the sheet, not of the printable area.
    printer.setFullPage(true);
    page_ = 0;
    sheets_ = 0;
    if (!painter_.begin(&printer)) {
        const QString target =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        throw Error(formatMessage(QStringLiteral("Cannot print on '%s'"), target));
    }
    const QPaintDevice* device = painter_.device();
    painter_.scale(device->logicalDpiX() / 25.4, device->logicalDpiY() / 25.4);
}

bool PrintJob::startPage() {
    ++page_;
    QPrinter& printer = printing::printer();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0 &&
        (page_ < printer.fromPage() || (printer.toPage() > 0 && page_ > printer.toPage()))) {
        return false;
    }
    if (sheets_ > 0) {
        printer.newPage();
    }
    ++sheets_;
    return true;
}

bool PrintJob::end() {
    if (!painter_.isActive()) {
        return false;
    }
    if (sheets_ == 0) {
        printing::printer().abort();
    }
    painter_.end();
    return sheets_ > 0;
}
