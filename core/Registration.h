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

// One registration as the form holds it when it is completed: the member type, the record,
// what the lists show and where they stand, and the products in the order of their tabs.
struct Registration {
    bool person = true;  // MemberType is "Person"
    RegistrationRecord record;

    // The texts of the lists, as the card prints them.
    QString sex;        // "男" or "女"
    QString education;  // also on an enterprise's card, as the list stands
    QString occupation;
    QString position;
    QString companyScale;
    QString companyCapital;

    int area = 0;  // 1-based position of the county in its list
    // 0-based positions in their lists, -1 for none; an enterprise stores them.
    int companyScaleIndex = -1;
    int companyCapitalIndex = -1;

    QList<ProductEntry> products;

    bool male() const { return sex == QStringLiteral("男"); }
};

// What the registration string carries besides the registration.
struct RegistrationContext {
    QDate firstRun;
    bool fast = false;
    QString version;
};

// name=value pairs joined by "&", values inserted exactly as they stand: nothing is escaped.
QString registrationString(const Registration& registration, const RegistrationContext& context);

// Registered within `days` whole calendar days of the first run (the last day included, and
// any first-run date after today).
bool isFastRegistration(const QDate& firstRun, const QDate& today, int days);
