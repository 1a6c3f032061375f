#pragma once

#include "platform/PrintError.h"

#include <QPainter>
#include <QString>
#include <QTransform>
#include <functional>
#include <limits>
#include <memory>

class QBuffer;
class QPdfWriter;
class QPrinter;
class QWidget;
class WholeFile;

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

// Prints through the spooler to this queue without any dialog (tests); an empty name restores
// the dialog.
void setQueue(const QString& queue);
// The spooler's queue the card goes to: the one set, else the printer's.
QString queue();

// Settles where the next job prints: the PDF file when one is set, else the print dialog,
// whose choices stay for later jobs. The paper is A4 then, whatever the dialog or the
// printer's queue chose, unless the printer cannot take A4. False when the dialog was
// cancelled.
bool choose(QWidget* parent, const QString& documentName);

// Where the A4 sheet the card is drawn on goes on the paper, in millimetres: as it is on A4
// or larger paper, else scaled down into the printable area and centred there, so that
// nothing is cut.
QTransform placeSheet(const QSizeF& paper, const QRectF& printable);

// The printer of the run: A4 portrait, one copy, all pages, no duplex, until the dialog
// changes it.
QPrinter& printer();

// Back to the real dialog, no PDF file or queue of its own and a printer with the first
// settings (tests).
void reset();

}  // namespace printing

// One print job of one or more sheets. The painter draws in millimetres from the top-left
// corner of an A4 sheet, whatever the printer's unprintable margins; on paper that cannot hold
// A4 the sheet is shrunk to fit (printing::placeSheet).
class PrintJob {
public:
    PrintJob();
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Opens the first sheet on the printer as chosen before (printing::choose). Raises
    // PrintError when the printer or the file cannot be opened.
    void open();
    // The number of pages the document has. A page range of the dialog that holds none of them
    // counts as all pages, so that a job always prints. Set before the first startPage().
    void setPageCount(int pages) { pageCount_ = pages; }

    // Moves to the next page of the document; the first call takes the sheet that open()
    // opened. False when the page lies outside the range chosen in the dialog: it is not to
    // be drawn.
    bool startPage();

    QPainter& painter() { return painter_; }
    bool isActive() const { return painter_.isActive(); }

    // Writes the file, or sends the sheets to the printer and follows the job to its fate
    // (printing::sendAndFollow). False when no page was in the range chosen: then nothing is
    // printed at all, not even a blank sheet. Raises PrintError when the card did not come out:
    // the file could not be written whole, the spooler refused the job, or its fate was no
    // card.
    bool end();

private:
    bool inRange(int page) const;
    void abandon();

    std::unique_ptr<WholeFile> file_;  // a print into a file: the PDF's device
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QBuffer> spool_;  // a print through the spooler: the card as a PDF
    QPainter painter_;
    int page_ = 0;    // pages of the document started so far
    int sheets_ = 0;  // of those, the ones that print
    int pageCount_ = std::numeric_limits<int>::max();
};
