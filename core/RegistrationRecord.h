#pragma once

#include <QDate>
#include <QList>
#include <QString>

// The registration record: the entries of the last completed registration, captured from the
// form at the finish and read by the printed card. Person-only and enterprise-only members
// keep their values through a completion of the other kind.
struct RegistrationRecord {
    QString RecName;
    QString RecCompName;
    QString RecBirthY;
    QString RecBirthM;
    QString RecBirthD;
    QString RecSex;  // "1" for 男, "2" for 女
    QString RecOccupation;
    QString RecPos;
    QString RecArea1;
    QString RecArea2;
    QString RecZip;
    QString RecAddr;
    QString RecEAddr;
    QString RecPrePhone;
    QString RecPhone;
    QString RecExtPhone;
    QString RecPreFax;
    QString RecFax;
    QString RecPreMPhone;
    QString RecMPhone;
    QString RecPersonalId;
    QString RecEducation;
    QString RecCompanyScale;
    QString RecCompanyCapital;
    QString RecCompanyId;
};

// One product of a registration, as its tab's slots hold it.
struct ProductEntry {
    QString PurchaseY;
    QString PurchaseM;
    QString PurchaseD;
    QString PrinterType;
    QString ProdCd;
    QString ChnlId;

    // Only a product with a model and a whole purchase date is stored and sent.
    bool isComplete() const {
        return !PurchaseY.isEmpty() && !PurchaseM.isEmpty() && !PurchaseD.isEmpty() &&
               !PrinterType.isEmpty();
    }
};

// What the registration string carries besides the record.
struct RegistrationContext {
    bool person = true;
    bool male = true;  // the sex list shows "男"
    int area = 0;      // 1-based position of the county in its list
    QList<ProductEntry> products;
    int firstRunYear = 0;
    int firstRunMonth = 0;
    int firstRunDay = 0;
    bool fast = false;
    QString version;
};

// name=value pairs joined by "&", values inserted exactly as they stand: nothing is escaped.
QString registrationString(const RegistrationRecord& record, const RegistrationContext& context);

// Registered within `days` whole calendar days of the first run (the last day included, and
// any first-run date after today).
bool isFastRegistration(const QDate& firstRun, const QDate& today, int days);
