#include "CoreTestEnvironment.h"
#include "core/Keys.h"
#include "core/RegUtils.h"
#include "core/Registry.h"
#include "platform/Error.h"
#include "platform/LocalClock.h"

#include <QTest>

namespace {

Registry stateKey() {
    Registry reg;
    reg.OpenKey(keys::StateKey, true);
    return reg;
}

}  // namespace

class TestRegUtils : public QObject {
    Q_OBJECT
private slots:
    void missingStateKeyGivesZeroAndEmpty() {
        CoreTestEnvironment env;
        const RegUtils u;
        QCOMPARE(u.GetProductCount(), 0);
        QCOMPARE(u.GetRegInt(QStringLiteral("sex")), 0);
        QCOMPARE(u.GetRegString(QStringLiteral("name")), QString());
        QCOMPARE(u.GetRegDate(), std::int64_t(0));
        QVERIFY(!u.IsSerialRegistered(QStringLiteral("EFF1234567")));
        QVERIFY(!u.HasUserData());
        QCOMPARE(errorOf([&] { u.SetRegDate(); }),
                 QStringLiteral("Failed to set data for 'RegDate'"));
        QCOMPARE(errorOf([&] { u.SetNotifyHide(); }),
                 QStringLiteral("Failed to set data for 'ORVEXreg'"));
    }

    void registrationDateStamps() {
        CoreTestEnvironment env;
        stateKey();
        const RegUtils u;
        const auto stampAt = [&](QDateTime when) {
            LocalClock::setNow(when);
            u.SetRegDate();
            return stateKey().ReadString(keys::RegDate);
        };
        QCOMPARE(stampAt(QDateTime(QDate(2005, 3, 7), QTime(14, 5))), QStringLiteral("0503071405"));
        QCOMPARE(u.GetRegDate(), std::int64_t(503071405));
        QCOMPARE(stampAt(QDateTime(QDate(2012, 12, 1), QTime(9, 30))),
                 QStringLiteral("1212010930"));
        // Beyond the 32-bit range from 2022 on, still a non-zero date.
        QCOMPARE(stampAt(QDateTime(QDate(2022, 1, 1), QTime(0, 0))), QStringLiteral("2201010000"));
        QCOMPARE(u.GetRegDate(), std::int64_t(2201010000));
        QCOMPARE(stampAt(QDateTime(QDate(2026, 12, 31), QTime(23, 59))),
                 QStringLiteral("2612312359"));
        stateKey().WriteString(keys::RegDate, QStringLiteral("soon"));
        QCOMPARE(errorOf([&] { u.GetRegDate(); }),
                 QStringLiteral("'soon' is not a valid integer value"));
    }

    void serialLookupFollowsTheProductCount() {
        CoreTestEnvironment env;
        const RegUtils u;
        Registry reg = stateKey();
        reg.WriteString(QStringLiteral("prod_cd_1"), QStringLiteral("EFF0000001"));
        // Without ProductCount nothing is registered, even with prod_cd_1 present.
        QVERIFY(!u.IsSerialRegistered(QStringLiteral("EFF0000001")));
        reg.WriteInteger(keys::ProductCount, 3);
        reg.WriteString(QStringLiteral("prod_cd_3"), QStringLiteral("EFF0000003"));
        reg.WriteString(QStringLiteral("prod_cd_4"), QStringLiteral("EFF0000004"));
        QVERIFY(u.IsSerialRegistered(QStringLiteral("EFF0000001")));
        QVERIFY(u.IsSerialRegistered(QStringLiteral("EFF0000003")));   // past the gap at 2
        QVERIFY(!u.IsSerialRegistered(QStringLiteral("EFF0000004")));  // above the count
        QVERIFY(!u.IsSerialRegistered(QStringLiteral("eff0000001")));  // letter case differs
        QVERIFY(!u.IsSerialRegistered(QString()));
        QCOMPARE(u.GetProductCount(), 3);

        // A hostile count costs no walk up to it; names compare without case, numbers exactly.
        reg.WriteInteger(keys::ProductCount, std::numeric_limits<int>::max());
        reg.WriteString(QStringLiteral("PROD_CD_9"), QStringLiteral("EFF0000009"));
        reg.WriteString(QStringLiteral("prod_cd_010"), QStringLiteral("EFF0000010"));
        QVERIFY(u.IsSerialRegistered(QStringLiteral("EFF0000004")));
        QVERIFY(u.IsSerialRegistered(QStringLiteral("EFF0000009")));
        QVERIFY(!u.IsSerialRegistered(QStringLiteral("EFF0000010")));
        // A serial stored as a number is an invalid type within the count, unseen above it.
        reg.WriteInteger(QStringLiteral("prod_cd_6"), 6);
        QCOMPARE(errorOf([&] { u.IsSerialRegistered(QStringLiteral("EFF0000001")); }),
                 QStringLiteral("Invalid data type for 'prod_cd_6'"));
        reg.WriteInteger(keys::ProductCount, 5);
        QVERIFY(u.IsSerialRegistered(QStringLiteral("EFF0000004")));
    }

    void readsNamedValues() {
        CoreTestEnvironment env;
        const RegUtils u;
        Registry reg = stateKey();
        reg.WriteInteger(QStringLiteral("sex"), 2);
        reg.WriteString(QStringLiteral("name"), QStringLiteral("陳美玲"));
        QCOMPARE(u.GetRegInt(QStringLiteral("SEX")), 2);
        QCOMPARE(u.GetRegString(QStringLiteral("name")), QStringLiteral("陳美玲"));
        QVERIFY(u.HasUserData());
        QCOMPARE(errorOf([&] { u.GetRegInt(QStringLiteral("name")); }),
                 QStringLiteral("Invalid data type for 'name'"));
        QCOMPARE(u.GetRegInt(QStringLiteral("missing")), 0);
    }

    void reminderValueAndShellStart() {
        CoreTestEnvironment env;
        const RegUtils u;
        Registry run;
        QVERIFY(run.OpenKey(keys::RunKey, true));
        u.SetNotifyHide();
        QCOMPARE(run.ReadString(keys::RunValue),
                 QStringLiteral("c:\\Program Files\\Quillmarsh\\orvexreg\\notify.exe hide"));
        u.ShellOpen(keys::NotifyProgram, QStringLiteral("hide"));
        QCOMPARE(env.launched.size(), 1);
        QCOMPARE(env.launched.front().first, keys::NotifyProgram);
        QCOMPARE(u.GetExePath(), env.programFolder() + u'/');
    }

    void installedVersion() {
        CoreTestEnvironment env;
        const RegUtils u;
        QCOMPARE(u.GetVerNo(), 3.5);
        const auto installed = [&](const QString& text) {
            env.writeText(QStringLiteral("drive_c/Program Files/Quillmarsh/orvexreg/regset.ini"),
                          text);
            return u.GetVerNo();
        };
        QCOMPARE(installed(QStringLiteral("[version]\r\nverNo=3.00\r\n")), 3.0);
        QCOMPARE(installed(QStringLiteral("[Version]\r\nVERNO = 3.6\r\n")), 3.6);
        QCOMPARE(installed(QStringLiteral("[version]\r\nverNo=new\r\n")), 3.5);
        QCOMPARE(installed(QStringLiteral("[version]\r\n")), 3.5);
        // The program folder's file is not the installed one.
        env.writeRegset(QStringLiteral("[version]\r\nverNo=1.0\r\n"));
        QCOMPARE(u.GetVerNo(), 3.5);
    }
};

QTEST_GUILESS_MAIN(TestRegUtils)
#include "tst_regutils.moc"
