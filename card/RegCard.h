#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "core/Registration.h"

class QWidget;
class TForm7;

namespace card {

// Products on the first page and on each further page, at most.
constexpr int FirstPageProducts = 5;
constexpr int ProductsPerPage = 8;
// Lines a further page's heading gives each of the name, telephone and mobile at most.
constexpr int HeadingLineLimit = 3;

// The title and dates line; an invalid first-run date prints as an empty date.
QString datesLine(const QString& title, const QDate& firstRun, const QDate& today);
// The settings file's header lines as the grey box shows them.
QStringList headerLines(const QStringList& settingsLines);

// How the body's text fits a page: the lines a text takes in the body's width (each as the
// part of the text it shows), and the lines a page's body holds.
struct BodyMeasure {
    std::function<QStringList(const QString&)> wrap;
    int linesPerPage = 0;
};

// The body of each page: the member's lines on the first page, name, telephone and mobile on
// the others, then the product blocks of the page, five on the first page and eight on each
// further one as long as they fit. A block that does not fit moves to the next page; only a
// text too long for any page runs on across pages.
QList<QStringList> bodyPages(const Registration& registration, const BodyMeasure& measure);
QString pageNumber(int page);

// The name of the card's print job, also the dialog's first guess of a file name.
QString documentName();

// Fills the report and prints every page of the registration's card as one job, showing the print
// dialog once (parent: its owner). False when nothing was printed: the dialog was cancelled or its
// page range held no page of the card.
bool printRegCard(TForm7& report, const Registration& registration, QWidget* parent);
// The same on the printer already chosen with printing::choose, without a dialog.
bool printChosen(TForm7& report, const Registration& registration);

}  // namespace card
