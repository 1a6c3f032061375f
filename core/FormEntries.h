#pragma once

#include "Registration.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the registration form shows, read from its fields in one go: texts as they stand, the
// lists as the texts and 0-based positions of their selected items (-1 for none).
struct FormEntries {
    bool person = true;  // MemberType is "Person"
    QString name;
    QString companyName;
    QString birthYear;
    QString birthMonth;
    QString birthDay;
    QString sex;
    int sexIndex = -1;         // 0 for 男, 1 for 女
    QString id;                // national ID number or company number
    bool firstProduct = true;  // no product tab yet
    QString education;
    int educationIndex = -1;
    QString occupation;
    int occupationIndex = -1;
    QString position;
    int positionIndex = -1;
    QString companyScale;
    int companyScaleIndex = -1;
    QString companyCapital;
    int companyCapitalIndex = -1;
    QString county;
    int countyIndex = -1;
    QString district;
    QString zip;
    QString address;
    QString email;
    QString phoneArea;
    QString phone;
    QString phoneExt;
    QString faxArea;
    QString fax;
    QString mobilePrefix;
    QString mobile;
    QString serial;
    QString purchaseYear;
    QString purchaseMonth;
    QString purchaseDay;
};

// The codes of the items of the coded lists, in list order.
struct ListCodes {
    const QStringList& occupation;
    const QStringList& position;
    const QStringList& companyScale;
    const QStringList& companyCapital;
};

// Captures what the form shows into the record, as a completion does: the coded lists by
// their codes. Members of the other member type keep their values.
void fillRecord(RegistrationRecord& record, const FormEntries& entries, const ListCodes& codes);

// The registration of the record, the lists as the form shows them and the products.
Registration registrationOf(const RegistrationRecord& record, const FormEntries& entries,
                            QList<ProductEntry> products);
