#include "CoreTestEnvironment.h"
#include "core/Cp950.h"
#include "core/Profile.h"
#include "core/Validation.h"

#include <QRegularExpression>

#include <QTest>

using namespace validation;

class TestValidation : public QObject {
    Q_OBJECT
private slots:
    void letterCodesFollowTheIdTable() {
        QCOMPARE(idLetterCode(u'A'), 10);
        QCOMPARE(idLetterCode(u'H'), 17);
        QCOMPARE(idLetterCode(u'J'), 18);  // I is not between H and J
        QCOMPARE(idLetterCode(u'V'), 29);
        QCOMPARE(idLetterCode(u'X'), 30);
        QCOMPARE(idLetterCode(u'Y'), 31);
        QCOMPARE(idLetterCode(u'W'), 32);
        QCOMPARE(idLetterCode(u'Z'), 33);
        QCOMPARE(idLetterCode(u'I'), 34);
        QCOMPARE(idLetterCode(u'O'), 35);
        QCOMPARE(idLetterCode(u'a'), std::nullopt);
        QCOMPARE(idLetterCode(u'1'), std::nullopt);
        QCOMPARE(idLetterCode(QChar(0xFF21)), std::nullopt);  // full-width Ａ
    }

    void checkDigit() {
        for (const char* id : {"A123456789", "F131104093", "W123456789", "W223456781", "X123456787",
                               "Y123456788", "I123456781", "O123456782", "Z223456782"}) {
            QVERIFY2(idCheckDigitValid(QString::fromLatin1(id)), id);
        }
        // Valid numbers with their last digit changed, and other faults.
        for (const char* id : {"A123456788", "A123456780", "W123456788", "X123456789", "Y123456789",
                               "I123456789", "O123456789",
                               "A12345678B",  // a letter among the digits
                               "A1234 6789",  // a blank
                               "a123456789",  // no code for a lower-case letter
                               "A12345678",   // too short
                               "A1234567890"}) {
            QVERIFY2(!idCheckDigitValid(QString::fromLatin1(id)), id);
        }
        QVERIFY(!idCheckDigitValid(QStringLiteral("A1234五678")));
        QVERIFY(!idCheckDigitValid(QStringLiteral("A12345678９")));  // full-width digit
    }

    void numericKeyFilter() {
        QCOMPARE(numericCut(QString()), std::nullopt);
        QCOMPARE(numericCut(QStringLiteral("12")), std::nullopt);
        QCOMPARE(numericCut(QStringLiteral("12a")), QStringLiteral("12"));
        // A sign typed first is no number; one put in front of digits is.
        QCOMPARE(numericCut(QStringLiteral("-")), QString());
        QCOMPARE(numericCut(QStringLiteral("+")), QString());
        QCOMPARE(numericCut(QStringLiteral("-12")), std::nullopt);
        QCOMPARE(numericCut(QStringLiteral(" 12")), std::nullopt);
        QCOMPARE(numericCut(QStringLiteral("12 ")), QStringLiteral("12"));
        QCOMPARE(numericCut(QStringLiteral("2147483647")), std::nullopt);
        QCOMPARE(numericCut(QStringLiteral("2147483648")), QStringLiteral("214748364"));
        QCOMPARE(numericCut(QStringLiteral("-2147483648")), std::nullopt);
        // The last character goes as a whole: a Chinese character, a full-width digit.
        QCOMPARE(numericCut(QStringLiteral("02一")), QStringLiteral("02"));
        QCOMPARE(numericCut(QStringLiteral("02３")), QStringLiteral("02"));
        // Hexadecimal forms are no numbers here.
        QCOMPARE(numericCut(QStringLiteral("$1")), QStringLiteral("$"));
        QCOMPARE(numericCut(QStringLiteral("0x1")), QStringLiteral("0x"));
        // Only the last character is removed, even when the fault lies before it.
        QCOMPARE(numericCut(QStringLiteral("1a23")), QStringLiteral("1a2"));
    }

    void charactersNotBytes() {
        // 一 is A4 40 in Big5: its trail byte is "@", yet the text holds no "@".
        QCOMPARE(cp950::encode(QStringLiteral("一")), QByteArray("\xA4\x40"));
        QVERIFY(!containsCharacter(QStringLiteral("一.tw"), u'@'));
        QVERIFY(containsCharacter(QStringLiteral("a@b"), u'@'));
        QVERIFY(containsAsciiDigit(QStringLiteral("王2明")));
        QVERIFY(!containsAsciiDigit(QStringLiteral("王２明")));  // full-width digits are allowed
    }

    void birthMonthDayCounts() {
        QCOMPARE(birthMonthDays(1900, 2), 28);  // a century that is no leap year
        QCOMPARE(birthMonthDays(2000, 2), 29);
        QCOMPARE(birthMonthDays(2001, 2), 28);
        QCOMPARE(birthMonthDays(1996, 2), 29);
        QCOMPARE(birthMonthDays(2001, 4), 30);
        QCOMPARE(birthMonthDays(2001, 11), 30);
        for (int month : {1, 3, 5, 7, 8, 10, 12}) {
            QCOMPARE(birthMonthDays(2001, month), 31);
        }
    }

    void purchaseDates() {
        QVERIFY(!dateExists(2024, 4, 31));
        QVERIFY(!dateExists(2023, 2, 29));
        QVERIFY(!dateExists(2024, 2, 30));
        QVERIFY(dateExists(2024, 2, 29));
        QVERIFY(!dateExists(2024, 13, 1));

        QVERIFY(!purchaseAfterFirstRun(2005, 3, 7, 2005, 3, 7));
        QVERIFY(purchaseAfterFirstRun(2005, 3, 8, 2005, 3, 7));
        QVERIFY(!purchaseAfterFirstRun(2004, 12, 31, 2005, 1, 1));
        QVERIFY(purchaseAfterFirstRun(2006, 1, 1, 2005, 12, 31));
        // No overflow with a damaged first-run year.
        QVERIFY(!purchaseAfterFirstRun(2005, 1, 1, 2147483647, 1, 1));
        QCOMPARE(purchaseAfterFirstRunMessage(2005, 3, 7),
                 QStringLiteral("您的購買日期應該在本程式之前（2005/3/7），"
                                "若您忘記購買日期，請填寫本程式第一次執行日期。"));
    }

    // The county list and its order are sent to the server; each district has its code.
    void deliveredPostcodes() {
        const IniFile postcodes(CoreTestEnvironment::sourceData() +
                                QStringLiteral("/postcode.ini"));
        const QStringList counties = postcodes.ReadSections();
        QCOMPARE(counties.size(), 22);
        QCOMPARE(counties.first(), QStringLiteral("臺北市"));
        int districts = 0;
        const QRegularExpression code(QStringLiteral("^[0-9]{3}$"));
        for (const QString& county : counties) {
            const QStringList keys = postcodes.ReadSection(county);
            QVERIFY2(!keys.isEmpty(), qPrintable(county));
            for (const QString& district : keys) {
                const QString value = postcodes.ReadString(county, district, QString());
                QVERIFY2(code.match(value).hasMatch(), qPrintable(county + district + value));
                // Two characters at least, as the finish-time address check wants.
                QVERIFY2(cp950::byteLength(district) >= 4, qPrintable(district));
                ++districts;
            }
        }
        QVERIFY(districts > 360);
        const auto codeOf = [&](const char* county, const char* district) {
            return postcodes.ReadString(QString::fromUtf8(county), QString::fromUtf8(district),
                                        QString());
        };
        QCOMPARE(codeOf("臺北市", "中正區"), QStringLiteral("100"));
        QCOMPARE(codeOf("新竹市", "東區"), QStringLiteral("300"));
        QCOMPARE(codeOf("高雄市", "鳳山區"), QStringLiteral("830"));
        QCOMPARE(codeOf("連江縣", "南竿鄉"), QStringLiteral("209"));
        QCOMPARE(codeOf("澎湖縣", "馬公市"), QStringLiteral("880"));
        QCOMPARE(codeOf("宜蘭縣", "釣魚臺"), QStringLiteral("290"));
        QCOMPARE(codeOf("苗栗縣", "頭份市"), QStringLiteral("351"));
        QCOMPARE(codeOf("彰化縣", "員林市"), QStringLiteral("510"));
    }
};

QTEST_GUILESS_MAIN(TestValidation)
#include "tst_validation.moc"
