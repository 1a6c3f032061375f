#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "core/RegistrationRecord.h"

class QWidget;
class TForm7;

// One product of the card, from its tab's slots.
using CardProduct = ProductEntry;

// Everything the registration card prints: the registration record, the texts the form
// shows, and the products in the order of their tabs.
struct RegCard {
    bool person = true;  // MemberType is "Person"

    QString RecName;
    QString RecCompName;
    QString RecBirthY;
    QString RecBirthM;
    QString RecBirthD;
    QString RecPersonalId;
    QString RecCompanyId;

    QString sex;             // ComboBox3
    QString education;       // ComboBox12
    QString occupation;      // ComboBox4
    QString position;        // ComboBox6
    QString companyScale;    // ComboBox5
    QString companyCapital;  // ComboBox7
    QString county;          // ComboBox8
    QString district;        // ComboBox9
    QString postcode;        // Edit5
    QString address;         // Edit6
    QString email;           // Edit7
    QString phoneArea;       // Edit8
    QString phone;           // Edit9
    QString phoneExt;        // Edit10
    QString faxArea;         // Edit11
    QString fax;             // Edit12
    QString mobilePrefix;    // Edit14
    QString mobile;          // Edit13

    QList<CardProduct> products;
};

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
QList<QStringList> bodyPages(const RegCard& card, const BodyMeasure& measure);
QString pageNumber(int page);

// The first-run date recorded in the hive; invalid when missing or not a date.
QDate firstRunDate();

// The name of the card's print job, also the dialog's first guess of a file name.
QString documentName();

// Fills the report and prints every page of the card as one job, showing the print dialog
// once (parent: its owner). False when nothing was printed: the dialog was cancelled or its
// page range held no page of the card.
bool printRegCard(TForm7& report, const RegCard& card, QWidget* parent);
// The same on the printer already chosen with printing::choose, without a dialog.
bool printChosen(TForm7& report, const RegCard& card);

}  // namespace card
