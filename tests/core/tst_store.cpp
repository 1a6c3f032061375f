#include "CoreTestEnvironment.h"
#include "core/Keys.h"
#include "core/RegistrationStore.h"
#include "core/Registry.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"

#include <sqlite3.h>
#include <QFile>
#include <QTest>
#include <limits>

namespace {

// The state a first run on 2005/3/7 leaves, and the reminder's Run value.
void firstRun() {
    Registry reg;
    reg.OpenKey(keys::StateKey, true);
    reg.WriteString(keys::FirstRunYear, QStringLiteral("2005"));
    reg.WriteString(keys::FirstRunMonth, QStringLiteral("3"));
    reg.WriteString(keys::FirstRunDay, QStringLiteral("7"));
    Registry run;
    run.OpenKey(keys::RunKey, true);
    run.WriteString(keys::RunValue, keys::NotifyCommand);
}

void storeNumber(const QString& name, int value) {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    reg.WriteInteger(name, value);
}

// A value of the state key as "text" or as a number; "-" when it is missing.
QString stored(const QString& name, const QString& key = keys::StateKey) {
    Registry reg;
    if (!reg.OpenKey(key) || !reg.ValueExists(name)) {
        return QStringLiteral("-");
    }
    const auto value =
        Hive::instance().readValue(*Hive::instance().findKey(Hive::kRoot, key), name);
    return value->type == Hive::Dword ? QString::number(reg.ReadInteger(name))
                                      : u'"' + reg.ReadString(name) + u'"';
}

// 王小明 of 臺北市 with `products` products bought on the first-run day; the second of three
// has no month and is counted without being stored.
Registration sample(bool person, int products) {
    Registration r;
    r.person = person;
    RegistrationRecord& c = r.record;
    c.RecName = QStringLiteral("王小明");
    c.RecCompName = person ? QString() : QStringLiteral("奧維斯股份有限公司");
    c.RecBirthY = QStringLiteral("1970");
    c.RecBirthM = QStringLiteral("3");
    c.RecBirthD = QStringLiteral("7");
    c.RecSex = QStringLiteral("1");
    c.RecOccupation = QStringLiteral("3");
    c.RecPos = QStringLiteral("2");
    c.RecArea1 = QStringLiteral("臺北市");
    c.RecArea2 = QStringLiteral("中正區");
    c.RecZip = QStringLiteral("100");
    c.RecAddr = QStringLiteral("忠孝東路一段1號&2樓");
    c.RecPersonalId = QStringLiteral("A123456789");
    c.RecEducation = QStringLiteral("4");
    c.RecCompanyScale = QStringLiteral("A2");
    c.RecCompanyCapital = QStringLiteral("C1");
    c.RecCompanyId = QStringLiteral("12345678");
    r.sex = QStringLiteral("男");
    r.area = 1;
    r.companyScaleIndex = 1;
    r.companyCapitalIndex = 0;
    for (int k = 1; k <= products; ++k) {
        r.products.append({QStringLiteral("2005"), k == 2 && products == 3 ? QString() : "3",
                           QStringLiteral("7"), QStringLiteral("ORVEX Vantra K%1").arg(k),
                           QStringLiteral("EFF000000%1").arg(k), QStringLiteral("光華")});
    }
    return r;
}

// An exclusive lock on the hive file, as another program holding it for long.
struct HiveHolder {
    explicit HiveHolder(const QString& path) {
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr,
                     nullptr);
    }
    ~HiveHolder() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

}  // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void init() { LocalClock::setNow(QDateTime(QDate(2005, 3, 10), QTime(9, 0))); }

    // A completed registration stored in one go continues the entry numbers, stores list
    // positions where the string sends codes, and comes back for the form.
    void savedAndRestored_data() {
        QTest::addColumn<bool>("person");
        QTest::addColumn<int>("products");
        QTest::addColumn<QString>("values");  // name=stored pairs after the save, split at ";"
        QTest::newRow("person, one product")
            << true << 1
            << QStringLiteral(
                   "name=\"王小明\";birthday_y=1970;sex=1;occupation=3;pos=2;"
                   "Education=4;ownertype=0;CompanyCapital=0;CompanyScale=-;"
                   "CompanyID=-;personalid=\"A123456789\";ProductCount=3;"
                   "prod_cd_3=\"EFF0000001\";purchase_date_m_3=3;ORVEXreg=-");
        QTest::newRow("company, three products, the second without a month")
            << false << 3
            << QStringLiteral(
                   "comp_name=\"奧維斯股份有限公司\";CompanyScale=1;CompanyCapital=0;"
                   "CompanyID=\"12345678\";ownertype=1;personalid=\"\";Education=-;"
                   "ProductCount=5;prod_cd_3=\"EFF0000001\";prod_cd_4=-;"
                   "printer_type_5=\"ORVEX Vantra K3\";ORVEXreg=-");
    }
    void savedAndRestored() {
        QFETCH(bool, person);
        QFETCH(int, products);
        QFETCH(QString, values);
        CoreTestEnvironment env;
        env.writeRegset(QStringLiteral("[version]\r\nverNo=3.6\r\n[SpecialBonus]\r\ndays=2\r\n"));
        firstRun();
        storeNumber(keys::ProductCount, 2);
        const RegistrationStore store;
        const Completion completion = store.complete(sample(person, products));
        store.save(completion, RegistrationStore::Reminder::Remove);
        for (const QString& pair : values.split(u';')) {
            const QString name = pair.section(u'=', 0, 0);
            const QString key = name == keys::RunValue ? keys::RunKey : keys::StateKey;
            QCOMPARE(name + u'=' + stored(name, key), pair);
        }
        QCOMPARE(stored(keys::RegStr), u'"' + completion.string() + u'"');
        // First run three days ago, two bonus days: no fast registration.
        QVERIFY(
            completion.string().endsWith("&FRD_y=2005&FRD_m=3&FRD_d=7&IsFastReg=0&version=3.6"));
        QCOMPARE(completion.string().contains("&CompanyScale=A2&"), !person);

        const StoredEntries e = store.lastEntries();
        QCOMPARE(e.person, person);
        QCOMPARE(e.name, QStringLiteral("王小明"));
        QCOMPARE(e.birthM, 3);
        QCOMPARE(e.area1, QStringLiteral("臺北市"));
        QCOMPARE(e.printerType, QStringLiteral("ORVEX Vantra K%1").arg(products));
        QCOMPARE(e.occupation, 3);
        QCOMPARE(e.education, person ? 4 : 0);
        QCOMPARE(e.companyScale, person ? 0 : 1);
    }

    // Whatever stops a completion, before or half-way through its writes, leaves the stored
    // state as it was and says why.
    void allOrNothing_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("count");        // ProductCount before the completion
        QTest::addColumn<int>("meanwhile");    // set between completion and save; -2 for none
        QTest::addColumn<QString>("message");  // the start of the error, empty for none
        const int max = std::numeric_limits<int>::max();
        QTest::newRow("code no number") << "IT" << 0 << -2 << "'IT' is not a valid integer value";
        QTest::newRow("count below 0")
            << "1" << -1 << -2 << "登錄資料中已註冊的產品數目 ProductCount 是 -1，不能是負數";
        QTest::newRow("count at the top") << "1" << max << -2
                                          << "登錄資料中已註冊的產品數目 ProductCount 是 "
                                             "2147483647，加上這次的 1 項產品會超過上限";
        QTest::newRow("count topped meanwhile")
            << "1" << 0 << max << "登錄資料中已註冊的產品數目 ProductCount 是 2147483647";
        QTest::newRow("the largest count that fits") << "1" << max - 1 << -2 << QString();
    }
    void allOrNothing() {
        QFETCH(QString, code);
        QFETCH(int, count);
        QFETCH(int, meanwhile);
        QFETCH(QString, message);
        CoreTestEnvironment env;
        firstRun();
        storeNumber(keys::ProductCount, count);
        Registration r = sample(true, 1);
        r.record.RecOccupation = code;
        const RegistrationStore store;
        QString before;
        const QString error = errorOf([&] {
            const Completion c = store.complete(r);
            if (meanwhile != -2) {
                storeNumber(keys::ProductCount, meanwhile);
            }
            before = CoreTestEnvironment::hiveDump();
            store.save(c, RegistrationStore::Reminder::Remove);
        });
        QVERIFY2(message.isEmpty() ? error == "<no error>" : error.startsWith(message),
                 qPrintable(error));
        if (!message.isEmpty()) {
            QVERIFY(before.isEmpty() || CoreTestEnvironment::hiveDump() == before);
            QCOMPARE(stored(keys::RunValue, keys::RunKey), u'"' + keys::NotifyCommand + u'"');
        }
    }

    // The first-run date as the card and the checks read it, and as a completion requires it.
    void firstRunDate() {
        CoreTestEnvironment env;
        const RegistrationStore store;
        const auto check = [&](const char* why, std::optional<QDate> date, const QString& error) {
            const FirstRunDate read = store.firstRunDate();
            QVERIFY2(read.date() == date, why);
            QVERIFY2(errorOf([&] { read.required(); }) == error, why);
        };
        check("no state key", std::nullopt, "'' is not a valid integer value");
        firstRun();
        check("recorded", QDate(2005, 3, 7), "<no error>");
        Registry reg;
        reg.OpenKey(keys::StateKey);
        reg.WriteString(keys::FirstRunMonth, QStringLiteral("三"));
        check("a month of words", std::nullopt, "'三' is not a valid integer value");
        reg.WriteString(keys::FirstRunMonth, QStringLiteral("2"));
        reg.WriteString(keys::FirstRunDay, QStringLiteral("30"));
        check("no such day", std::nullopt, "Invalid argument to date encode");
        reg.WriteInteger(keys::FirstRunDay, 7);
        check("a number, not a text", std::nullopt, "Invalid data type for 'FirstRunDate_Day'");
    }

    // Another program holding the hive is waited on once in an action, not again for every
    // value the action reads; the next action tries again.
    void aLockedHiveIsWaitedOnOncePerAction() {
        CoreTestEnvironment env;
        firstRun();
        const RegistrationStore store;
        const StoredEntries free = store.lastEntries();
        QVERIFY(free.name.isEmpty());
        Hive::setPath(env.hivePath());  // closed, as in a program started later
        {
            const HiveHolder holder(env.hivePath());
            const HiveAction action;
            const quint64 before = Hive::openAttempts();
            QVERIFY(errorOf([&] { (void)store.lastEntries(); }).contains("another program"));
            QVERIFY(errorOf([&] { (void)store.firstRunDate(); }).contains("another program"));
            QVERIFY(errorOf([&] { store.remindLater(); }).contains("another program"));
            QCOMPARE(Hive::openAttempts(), before + 1);
        }
        store.remindLater();
        QCOMPARE(stored(keys::IsRemind), QStringLiteral("\"y\""));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
