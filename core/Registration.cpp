#include "Registration.h"

#include <cstdio>

namespace {

// "&name=value" for the first product, "&name<k>=value" for the product at tab k from 1 on,
// appended in place: a hundred products make six hundred pieces.
void appendPiece(QString& s, QLatin1StringView name, int k, const QString& value) {
    s += u'&';
    s += name;
    if (k > 0) {
        char digits[12];
        const int n = std::snprintf(digits, sizeof digits, "%d", k);
        s += QLatin1StringView(digits, n);
    }
    s += u'=';
    s += value;
}

}  // namespace

QString registrationString(const Registration& registration, const RegistrationContext& c) {
    const RegistrationRecord& r = registration.record;
    const QList<ProductEntry>& products = registration.products;
    QString s;
    s.reserve(1024 + 160 * products.size());
    s += QStringLiteral("Name=") + r.RecName;
    s += QStringLiteral("&Comp_Name=") + r.RecCompName;
    s += QStringLiteral("&Birthday_Y=") + r.RecBirthY;
    s += QStringLiteral("&Birthday_M=") + r.RecBirthM;
    s += QStringLiteral("&Birthday_D=") + r.RecBirthD;
    s += registration.male() ? QStringLiteral("&Sex=M") : QStringLiteral("&Sex=F");
    s += QStringLiteral("&Occupation=") + r.RecOccupation;
    s += QStringLiteral("&Pos=") + r.RecPos;
    s += QStringLiteral("&Area=") + QString::number(registration.area);
    s += QStringLiteral("&AreaString1=") + r.RecArea1;
    s += QStringLiteral("&AreaString2=") + r.RecArea2;
    s += QStringLiteral("&ZIP=") + r.RecZip;
    s += QStringLiteral("&Addr=") + r.RecAddr;
    s += QStringLiteral("&E_Addr=") + r.RecEAddr;
    s += QStringLiteral("&Phone=") + r.RecPrePhone + u'-' + r.RecPhone + u'-' + r.RecExtPhone;
    s += QStringLiteral("&Fax=") + r.RecPreFax + u'-' + r.RecFax;
    s += QStringLiteral("&MobilePhone=") + r.RecPreMPhone + u'-' + r.RecMPhone;
    if (registration.person) {
        s += QStringLiteral("&personalid=") + r.RecPersonalId;
        s += QStringLiteral("&Education=") + r.RecEducation;
        s += QStringLiteral("&ownertype=0");
        s += QStringLiteral("&CompanyCapital=");
    } else {
        s += QStringLiteral("&CompanyScale=") + r.RecCompanyScale;
        s += QStringLiteral("&CompanyCapital=") + r.RecCompanyCapital;
        s += QStringLiteral("&CompanyID=") + r.RecCompanyId;
        s += QStringLiteral("&ownertype=1");
        s += QStringLiteral("&personalid=");
    }
    s += QStringLiteral("&RegProductCount=") + QString::number(products.size());
    for (int k = 0; k < products.size(); ++k) {
        const ProductEntry& p = products[k];
        if (!p.isComplete()) {
            continue;
        }
        appendPiece(s, QLatin1StringView("purchase_date_y"), k, p.PurchaseY);
        appendPiece(s, QLatin1StringView("purchase_date_m"), k, p.PurchaseM);
        appendPiece(s, QLatin1StringView("purchase_date_d"), k, p.PurchaseD);
        appendPiece(s, QLatin1StringView("prod_cd"), k, p.ProdCd);
        appendPiece(s, QLatin1StringView("Printer_type"), k, p.PrinterType);
        appendPiece(s, QLatin1StringView("Chnl_ID"), k, p.ChnlId);
    }
    s += QStringLiteral("&FRD_y=") + QString::number(c.firstRun.year());
    s += QStringLiteral("&FRD_m=") + QString::number(c.firstRun.month());
    s += QStringLiteral("&FRD_d=") + QString::number(c.firstRun.day());
    s += c.fast ? QStringLiteral("&IsFastReg=1") : QStringLiteral("&IsFastReg=0");
    s += QStringLiteral("&version=") + c.version;
    return s;
}

bool isFastRegistration(const QDate& firstRun, const QDate& today, int days) {
    return firstRun.daysTo(today) <= days;
}
