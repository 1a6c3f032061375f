#include "core/Cp950.h"
#include "core/Registration.h"

#include <QTest>

namespace {

RegistrationRecord record() {
    RegistrationRecord r;
    r.RecName = QStringLiteral("許功蓋");
    r.RecCompName = QString();
    r.RecBirthY = QStringLiteral("1970");
    r.RecBirthM = QStringLiteral("3");
    r.RecBirthD = QStringLiteral("7");
    r.RecSex = QStringLiteral("1");
    r.RecOccupation = QStringLiteral("1");
    r.RecPos = QStringLiteral("5");
    r.RecArea1 = QStringLiteral("臺北市");
    r.RecArea2 = QStringLiteral("中正區");
    r.RecZip = QStringLiteral("100");
    r.RecAddr = QStringLiteral("重慶南路1段&2樓=A");
    r.RecEAddr = QStringLiteral("hsu@example.com.tw");
    r.RecPrePhone = QStringLiteral("02");
    r.RecPhone = QStringLiteral("23456789");
    r.RecExtPhone = QString();
    r.RecPreFax = QString();
    r.RecFax = QString();
    r.RecPreMPhone = QStringLiteral("0912");
    r.RecMPhone = QStringLiteral("345678");
    r.RecPersonalId = QStringLiteral("A123456789");
    r.RecEducation = QStringLiteral("4");
    return r;
}

ProductEntry product(const char* serial, const char* y = "2005", const char* m = "3",
                     const char* d = "7") {
    return {.PurchaseY = QString::fromLatin1(y),
            .PurchaseM = QString::fromLatin1(m),
            .PurchaseD = QString::fromLatin1(d),
            .PrinterType = QStringLiteral("ORVEX Vantra K20 Series"),
            .ProdCd = QString::fromLatin1(serial),
            .ChnlId = QStringLiteral("12345678")};
}

Registration person(QList<ProductEntry> products) {
    Registration r;
    r.record = record();
    r.sex = QStringLiteral("男");
    r.area = 1;
    r.products = std::move(products);
    return r;
}

RegistrationContext context(bool fast = true) {
    return {QDate(2005, 3, 7), fast, QStringLiteral("3.5")};
}

QByteArray bytes(const Registration& r, const RegistrationContext& c = context()) {
    return cp950::encode(registrationString(r, c));
}

// The Big5 bytes of a text written here, for the expected strings.
QByteArray big5(const char* utf8) {
    return cp950::encode(QString::fromUtf8(utf8));
}

}  // namespace

class TestRegistrationString : public QObject {
    Q_OBJECT
private slots:
    void personWithOneProduct() {
        const QByteArray expected = big5(
            "Name=許功蓋&Comp_Name=&Birthday_Y=1970&Birthday_M=3&Birthday_D=7&Sex=M"
            "&Occupation=1&Pos=5&Area=1&AreaString1=臺北市&AreaString2=中正區&ZIP=100"
            "&Addr=重慶南路1段&2樓=A&E_Addr=hsu@example.com.tw&Phone=02-23456789-&Fax=-"
            "&MobilePhone=0912-345678&personalid=A123456789&Education=4&ownertype=0"
            "&CompanyCapital=&RegProductCount=1&purchase_date_y=2005&purchase_date_m=3"
            "&purchase_date_d=7&prod_cd=EFF1234567&Printer_type=ORVEX Vantra K20 Series"
            "&Chnl_ID=12345678&FRD_y=2005&FRD_m=3&FRD_d=7&IsFastReg=1&version=3.5");
        QCOMPARE(bytes(person({product("EFF1234567")})), expected);
        // 許 and 功 end in 0x5C; they travel unchanged, like "&" and "=" inside values.
        QVERIFY(expected.startsWith("Name=\xB3\x5C\xA5\x5C"));
    }

    void enterpriseWithThreeProducts() {
        Registration r = person({product("EFF0000001"), product("EFF0000002", "2005", "2", "28"),
                                 product("EFF0000003")});
        r.person = false;
        r.sex = QStringLiteral("女");
        r.area = 17;
        r.record.RecCompName = QStringLiteral("奧維克斯股份有限公司");
        r.record.RecCompanyScale = QStringLiteral("A2");
        r.record.RecCompanyCapital = QStringLiteral("C3");
        r.record.RecCompanyId = QStringLiteral("12345675");
        r.record.RecExtPhone = QStringLiteral("123");
        r.record.RecPreFax = QStringLiteral("02");
        r.record.RecFax = QStringLiteral("26587390");
        const QByteArray expected = big5(
            "Name=許功蓋&Comp_Name=奧維克斯股份有限公司&Birthday_Y=1970&Birthday_M=3&Birthday_D=7"
            "&Sex=F&Occupation=1&Pos=5&Area=17&AreaString1=臺北市&AreaString2=中正區&ZIP=100"
            "&Addr=重慶南路1段&2樓=A&E_Addr=hsu@example.com.tw&Phone=02-23456789-123"
            "&Fax=02-26587390&MobilePhone=0912-345678"
            "&CompanyScale=A2&CompanyCapital=C3&CompanyID=12345675&ownertype=1&personalid="
            "&RegProductCount=3"
            "&purchase_date_y=2005&purchase_date_m=3&purchase_date_d=7&prod_cd=EFF0000001"
            "&Printer_type=ORVEX Vantra K20 Series&Chnl_ID=12345678"
            "&purchase_date_y1=2005&purchase_date_m1=2&purchase_date_d1=28&prod_cd1=EFF0000002"
            "&Printer_type1=ORVEX Vantra K20 Series&Chnl_ID1=12345678"
            "&purchase_date_y2=2005&purchase_date_m2=3&purchase_date_d2=7&prod_cd2=EFF0000003"
            "&Printer_type2=ORVEX Vantra K20 Series&Chnl_ID2=12345678"
            "&FRD_y=2005&FRD_m=3&FRD_d=7&IsFastReg=0&version=3.5");
        QCOMPARE(bytes(r, context(false)), expected);
    }

    void anIncompleteProductIsCountedButNotSent() {
        ProductEntry noMonth = product("EFF0000002");
        noMonth.PurchaseM.clear();
        ProductEntry noModel = product("EFF0000003");
        noModel.PrinterType.clear();
        const QByteArray s =
            bytes(person({product("EFF0000001"), noMonth, noModel, product("EFF0000004")}));
        QVERIFY(s.contains("&RegProductCount=4&purchase_date_y=2005"));
        QVERIFY(!s.contains("EFF0000002"));
        QVERIFY(!s.contains("EFF0000003"));
        QVERIFY(!s.contains("_y1=") && !s.contains("_y2="));
        QVERIFY(s.contains("&Chnl_ID=12345678&purchase_date_y3=2005&purchase_date_m3=3"));
        // The serial and dealer may be empty.
        ProductEntry bare = product("");
        bare.ChnlId.clear();
        QVERIFY(bytes(person({bare}))
                    .contains("&prod_cd=&Printer_type=ORVEX Vantra K20 Series&Chnl_ID=&FRD_y="));
    }

    void fastRegistrationCountsCalendarDays() {
        const QDate first(2005, 2, 28);
        QVERIFY(isFastRegistration(first, QDate(2005, 3, 7), 7));
        QVERIFY(!isFastRegistration(first, QDate(2005, 3, 8), 7));
        QVERIFY(isFastRegistration(QDate(2005, 1, 31), QDate(2005, 2, 1), 0) == false);
        QVERIFY(isFastRegistration(QDate(2005, 3, 9), QDate(2005, 3, 7), 0));  // after today
        QVERIFY(isFastRegistration(QDate(2004, 12, 31), QDate(2005, 1, 10), 10));
    }
};

QTEST_GUILESS_MAIN(TestRegistrationString)
#include "tst_regstring.moc"
