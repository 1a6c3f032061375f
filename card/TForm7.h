#pragma once

#include "ReportElements.h"

#include <QWidget>

class PrintJob;
class QPainter;

// The report form of the registration card; never shown itself. It holds the elements of the
// one-page report, which the card fills and prints once per page.
class TForm7 : public QWidget {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    ReportImage QRImage1;  // logo
    ReportLabel QRLabel1;  // title
    ReportMemo QRMemo1;    // header lines, grey box
    ReportLabel QRLabel2;  // title and dates
    ReportMemo QRMemo2;    // body
    ReportLabel QRLabel3;  // page number

    // Where the body's lines end at the latest: the bottom margin, above the page number.
    qreal bodyBottom() const;

    // Prints the report as the job's next page.
    void print(PrintJob& job) const;
    // Draws the page with a painter that works in millimetres from the corner of the sheet.
    void drawPage(QPainter& painter) const;
};
