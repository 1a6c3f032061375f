#pragma once

#include <QPainter>
#include <QString>
#include <functional>

class QPrinter;
class QWidget;

// Printing on the system's printers through CUPS, or into a PDF file. There is one printer
// for the whole run, so that what the user chose in the print dialog holds for every later
// print.
namespace printing {

// The print dialog for the printer; true when the user chose to print.
using Dialog = std::function<bool(QPrinter& printer, QWidget* parent)>;

// Replaces the print dialog (tests); an empty function restores the real one.
void setDialog(Dialog dialog);

// Prints into this PDF file without any dialog. An empty path leaves the choice to
// $ORVEXREG_PRINT_PDF.
void setPdfOutput(const QString& path);
// The PDF file that takes the place of the dialog; empty when the dialog is shown.
QString pdfOutput();

// Settles where the next job prints: the PDF file when one is set, else the print dialog,
// whose choices stay for later jobs. False when the dialog was cancelled.
bool choose(QWidget* parent, const QString& documentName);

// The printer of the run: A4 portrait, one copy, all pages, no duplex, until the dialog
// changes it.
QPrinter& printer();

// Back to the real dialog, no PDF file of its own and a printer with the first settings
// (tests).
void reset();

}  // namespace printing

// One print job of one or more sheets. The painter draws in millimetres from the top-left
// corner of the sheet, whatever the printer's unprintable margins.
class PrintJob {
public:
    PrintJob() = default;
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Shows the print dialog, or takes the PDF file, and opens the first sheet. False when
    // the dialog was cancelled: nothing is printed. Raises Error when the printer cannot be
    // opened.
    bool begin(QWidget* parent, const QString& documentName);
    // Opens the first sheet on the printer as chosen before (printing::choose), without a
    // dialog. Raises Error when the printer cannot be opened.
    void open();

    // Moves to the next page of the document; the first call takes the sheet that begin()
    // opened. False when the page lies outside the range chosen in the dialog: it is not to
    // be drawn.
    bool startPage();

    QPainter& painter() { return painter_; }
    bool isActive() const { return painter_.isActive(); }

    // Hands the sheets to the printer or writes the file. False when no page was in the range
    // chosen: then nothing is printed at all, not even a blank sheet.
    bool end();

private:
    QPainter painter_;
    int page_ = 0;    // pages of the document started so far
    int sheets_ = 0;  // of those, the ones that print
};
