#include "CoreTestEnvironment.h"
#include "core/Profile.h"
#include "core/Settings.h"

#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void defaultsWithoutASettingsFile() {
        CoreTestEnvironment env;
        QCOMPARE(settings::windowTitle(), QStringLiteral("ORVEX產品註冊"));
        QCOMPARE(settings::cardTitle(), QString());
        QCOMPARE(settings::versionText(), QStringLiteral("3.00"));
        QCOMPARE(settings::defaultModel(), QStringLiteral("ORVEX Vantra K20 Series"));
        QCOMPARE(settings::defaultSerial(), QStringLiteral("EFF"));
        QVERIFY(settings::formTitle1().startsWith(QStringLiteral("感謝您使用 ORVEX 產品")));
        QCOMPARE(settings::formTitle2(),
                 QStringLiteral("優惠或產品保固時，因身份或產品不符而影響您的權益！"));
        QVERIFY(settings::educationList().isEmpty());
        QVERIFY(settings::occupationList().items.isEmpty());
        QVERIFY(settings::positionList().codes.isEmpty());
        QCOMPARE(settings::cardHeaderLines(), QStringList(5, QString()));
        QCOMPARE(settings::bonusDays(), 7);
        QCOMPARE(settings::uploadAddress(settings::programIni()), QString());
    }

    void listsKeepFileOrderAndCodes() {
        CoreTestEnvironment env;
        env.writeRegset(
            QStringLiteral("[OccupationList]\r\n"
                           "資訊業=5\r\n"
                           "製造業=\r\n"
                           "服務業\r\n"
                           "其他=' 9 '\r\n"
                           "[EducationList]\r\n"
                           "大學=x\r\n"
                           "高中=\r\n"
                           "[SpecialBonus]\r\n"
                           "days=0x0A\r\n"
                           "[version]\r\n"
                           "Title=產品註冊\r\n"));
        const settings::CodedList list = settings::occupationList();
        QCOMPARE(list.items, QStringList({"資訊業", "製造業", "服務業", "其他"}));
        // An empty value is an empty code; a key without a value falls back to its position.
        QCOMPARE(list.codes, QStringList({"5", "", "3", " 9 "}));
        QCOMPARE(settings::educationList(), QStringList({"大學", "高中"}));
        QCOMPARE(settings::bonusDays(), 10);
        QCOMPARE(settings::windowTitle(), QStringLiteral("產品註冊"));
        QCOMPARE(settings::cardTitle(), QStringLiteral("產品註冊"));
        env.writeRegset(QStringLiteral("[SpecialBonus]\r\ndays=seven\r\n"));
        QCOMPARE(settings::bonusDays(), 7);
    }

    void deliveredSettingsFileIsComplete() {
        CoreTestEnvironment env(true);
        QVERIFY(!settings::educationList().isEmpty());
        for (const auto& list : {settings::occupationList(), settings::positionList()}) {
            QVERIFY(!list.items.isEmpty() && list.items.size() <= 30);
            for (const QString& code : list.codes) {
                bool ok = false;
                code.toInt(&ok);
                QVERIFY2(ok, qPrintable(code));  // stored as integers
            }
        }
        QVERIFY(!settings::companyScaleList().items.isEmpty());
        QVERIFY(!settings::companyCapitalList().items.isEmpty());
        QCOMPARE(settings::bonusDays(), 7);
        QCOMPARE(settings::versionText(), QStringLiteral("3.5"));
        QVERIFY(settings::uploadAddress(settings::programIni()).startsWith(QStringLiteral("http")));
        QCOMPARE(IniFile(settings::programIni())
                     .ReadFloat(QStringLiteral("version"), QStringLiteral("verNo"), 0),
                 3.5);
        for (const QString& line : settings::cardHeaderLines()) {
            QVERIFY(!line.contains(QChar(0xFFFD)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
