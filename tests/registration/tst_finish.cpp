#include "FormTesting.h"
#include "core/Cp950.h"
#include "desktop/PrintEngine.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"
#include "upload/TForm6.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>

using namespace formtesting;

namespace {

const QDateTime kToday(QDate(2005, 3, 10), QTime(9, 0));

QVariant stored(const QString& name) {
    Registry reg;
    if (!reg.OpenKey(keys::StateKey) || !reg.ValueExists(name)) {
        return QVariant();
    }
    const auto value =
        Hive::instance().readValue(*Hive::instance().findKey(Hive::kRoot, keys::StateKey), name);
    if (value->type == Hive::Dword) {
        return reg.ReadInteger(name);
    }
    return reg.ReadString(name);
}

QByteArray storedString() {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    return reg.ReadBytes(keys::RegStr);
}

// Presses "完成" and answers the question about further products.
void finish(TestEnvironment& env, bool more) {
    if (more) {
        env.boxes.answerYes();
    } else {
        env.boxes.answerNo();
    }
    QTest::mouseClick(Form5->Label40, Qt::LeftButton);
}

struct Fixture {
    explicit Fixture(const QString& memberType = QStringLiteral("Person"), bool print = false) {
        LocalClock::setNow(kToday);
        Form5->RegMode = print ? QStringLiteral("print") : QStringLiteral("online");
        fillValid(memberType);
    }
};

}  // namespace

class TestFinish : public QObject {
    Q_OBJECT
private slots:
    void onePersonProductIsStoredAndHandedOver() {
        TestEnvironment env(true);
        Program program;
        Fixture fixture;
        Form5->ComboBox4->setCurrentIndex(2);  // code 3
        Form5->ComboBox6->setCurrentIndex(1);  // code 2
        finish(env, false);
        QCOMPARE(env.boxes.count(), 1);
        QCOMPARE(env.boxes.last().caption, QStringLiteral("註冊其他ORVEX產品"));
        QCOMPARE(env.boxes.last().buttons, msg::Buttons::YesNo);
        QVERIFY(!Form5->isVisible());
        QVERIFY(Form6->isVisible());
        QCOMPARE(cp950::encode(Form6->Edit1->text()), storedString());
        const QByteArray s = storedString();
        QVERIFY(s.startsWith(cp950::encode(QStringLiteral(
            "Name=王小明&Comp_Name=&Birthday_Y=1970&Birthday_M=3&Birthday_D=7&Sex=M&Occupation=3&"
            "Pos=2&Area=1&AreaString1=臺北市&AreaString2=中正區&ZIP=100&"))));
        QVERIFY(s.contains(
            "&personalid=A123456789&Education=0&ownertype=0&CompanyCapital=&RegProductCount=1"
            "&purchase_date_y=2005&purchase_date_m=3&purchase_date_d=7&prod_cd=EFF1234567"
            "&Printer_type=ORVEX Vantra K20 Series&Chnl_ID=&FRD_y="));
        // The first run is recorded today, in this test's hive, by the start-up.
        QVERIFY(s.endsWith("&IsFastReg=1&version=3.5"));
        QCOMPARE(stored(keys::Occupation), QVariant(3));
        QCOMPARE(stored(keys::Education), QVariant(0));
        QCOMPARE(Form5->RecSex, QStringLiteral("1"));
        QCOMPARE(Form5->RecOccupation, QStringLiteral("3"));
    }

    void enterpriseStoresListPositionsAndSendsCodes() {
        TestEnvironment env(true);
        Program program;
        Fixture fixture(QStringLiteral("Enterprise"));
        Form5->ComboBox5->setCurrentIndex(0);  // code A1
        Form5->ComboBox7->setCurrentIndex(2);  // code C3
        Form5->ComboBox3->setCurrentIndex(1);
        finish(env, false);
        QCOMPARE(stored(keys::CompanyScale), QVariant(0));
        QCOMPARE(stored(keys::CompanyCapital), QVariant(2));
        const QByteArray s = storedString();
        QVERIFY(s.contains("&Sex=F&"));
        QVERIFY(
            s.contains("&CompanyScale=A1&CompanyCapital=C3&CompanyID=12345678&ownertype=1&"
                       "personalid=&RegProductCount=1"));
        QVERIFY(!s.contains("Education"));
    }

    void furtherProductsOnTabs() {
        TestEnvironment env(true);
        Program program;
        Fixture fixture;
        finish(env, true);
        QVERIFY(Form5->TabControl1->isVisible());
        QCOMPARE(Form5->TabControl1->count(), 2);
        QCOMPARE(Form5->TabControl1->tabText(0), QStringLiteral("ORVEX Vantra K20 Series"));
        // The default model did not change: the new tab keeps its caption.
        QCOMPARE(Form5->TabControl1->tabText(1), QStringLiteral("新增"));
        QCOMPARE(Form5->TabControl1->currentIndex(), 1);
        QCOMPARE(Form5->Edit16->text(), QStringLiteral("EFF"));
        QCOMPARE(Form5->Edit18->text(), QStringLiteral("2005"));
        QCOMPARE(Form5->ComboBox11->currentText(), QStringLiteral("10"));
        QCOMPARE(Form5->ProdCd[0], QStringLiteral("EFF1234567"));
        QCOMPARE(Form5->ProdCd[1], QStringLiteral("EFF"));
        // A model typed for the second product renames its tab.
        Form5->Edit15->setText(QStringLiteral("ORVEX Vantra K30"));
        QCOMPARE(Form5->TabControl1->tabText(1), QStringLiteral("ORVEX Vantra K30"));
        Form5->Edit16->setText(QStringLiteral("EFF2222222"));
        Form5->ComboBox10->setCurrentIndex(1);
        Form5->ComboBox11->setCurrentIndex(27);
        Form5->Edit18->setText(QStringLiteral("2005"));
        finish(env, true);
        // The third product: its month left unpicked and then emptied.
        Form5->Edit16->setText(QStringLiteral("EFF3333333"));
        Form5->ComboBox10->setCurrentIndex(-1);
        Form5->PurchaseM[2].clear();
        Form5->ComboBox10->setCurrentIndex(2);
        Form5->ComboBox11->setCurrentIndex(0);
        // Pick the first tab again, then complete from it: the third keeps its empty month.
        Form5->TabControl1->setCurrentIndex(0);
        Form5->TabControl1Change();
        QCOMPARE(Form5->Edit16->text(), QStringLiteral("EFF1234567"));
        Form5->ComboBox10->setCurrentIndex(2);
        finish(env, false);
        // The third product's date was shown but never stored: the finish shows it instead.
        QVERIFY(env.boxes.last().text.startsWith(
            QStringLiteral("第 3 個產品分頁（序號 EFF3333333）的「購買日期（年）」未填寫")));
        QVERIFY(Form5->TabControl1->currentIndex() == 2 && Form5->Edit18->hasFocus());
        Form5->Edit18->setText(QStringLiteral("2004"));
        pick(Form5->ComboBox10, 3);
        pick(Form5->ComboBox11, 9);
        finish(env, false);
        QCOMPARE(stored(keys::ProductCount), QVariant(3));
        QCOMPARE(stored(QStringLiteral("prod_cd_2")), QVariant(QStringLiteral("EFF2222222")));
        QCOMPARE(stored(QStringLiteral("purchase_date_d_2")), QVariant(28));
        const QByteArray s = storedString();
        QVERIFY(s.contains("&RegProductCount=3&purchase_date_y=2005&purchase_date_m=3"));
        QVERIFY(s.contains(
            "&purchase_date_y1=2005&purchase_date_m1=2&purchase_date_d1=28&prod_cd1=EFF2222222"
            "&Printer_type1=ORVEX Vantra K30&Chnl_ID1=&purchase_date_y2=2004"));

        // A second registration continues the entry numbers.
        Form5->hide();
        Fixture again;
        Form5->Edit16->setText(QStringLiteral("EFF4444444"));
        finish(env, false);
        QCOMPARE(stored(keys::ProductCount), QVariant(4));
        QCOMPARE(stored(QStringLiteral("prod_cd_4")), QVariant(QStringLiteral("EFF4444444")));
    }

    // A product without a model would be counted but neither stored nor sent: the finish
    // stops before anything is stored, with the focus in the model field.
    void aProductWithoutAModelStopsTheFinish() {
        for (const char* member : {"Person", "Enterprise"}) {
            TestEnvironment env(true);
            Program program;
            Fixture fixture(QString::fromLatin1(member));
            Form5->Edit15->clear();
            const QString before = TestEnvironment::hiveDump();
            finish(env, false);
            QVERIFY(
                env.boxes.last().text.startsWith("這項產品（序號 EFF1234567）的「機型」未填寫"));
            QCOMPARE(TestEnvironment::hiveDump(), before);
            QVERIFY(Form5->Edit15->hasFocus() && !Form6->isVisible());
        }
    }

    void aHundredAndFirstProductIsRefused() {
        TestEnvironment env(true);
        Program program;
        Fixture fixture;
        // Bought today, on the first-run day: every new product passes the checks as it is.
        LocalClock::setNow(QDateTime(QDate(2005, 3, 7), QTime(9, 0)));
        for (int i = 1; i < TForm5::MaxProducts; ++i) {
            finish(env, true);
            Form5->Edit16->setText(QStringLiteral("EFF%1").arg(i, 7, 10, QChar(u'0')));
        }
        QCOMPARE(Form5->TabControl1->count(), TForm5::MaxProducts);
        env.boxes.clear();
        finish(env, true);
        QCOMPARE(Form5->TabControl1->count(), TForm5::MaxProducts);
        QCOMPARE(env.boxes.count(), 2);
        QVERIFY(env.boxes.last().text.contains(QStringLiteral("100")));
        finish(env, false);
        QCOMPARE(stored(keys::ProductCount), QVariant(100));
        QVERIFY(storedString().contains("&prod_cd99=EFF0000099&"));
    }

    void aFailedCompletionWritesNothing() {
        TestEnvironment env(true);
        env.writeRegset(
            QStringLiteral("[OccupationList]\r\n資訊業=IT\r\n[PositionList]\r\n職員=1\r\n"));
        Program program;
        Fixture fixture;
        Form5->ComboBox4->setCurrentIndex(0);
        Form5->ComboBox6->setCurrentIndex(0);
        const QString before = TestEnvironment::hiveDump();
        env.boxes.answerNo();
        QTest::mouseClick(Form5->Label40, Qt::LeftButton);
        QCOMPARE(TestEnvironment::hiveDump(), before);
        QCOMPARE(env.boxes.last().text, QStringLiteral("'IT' is not a valid integer value."));
        QVERIFY(Form5->isVisible());
        QVERIFY(!Form6->isVisible());
    }

    void restoresTheLastRegistration() {
        TestEnvironment env(true);
        Program program;
        {
            Fixture fixture;
            Form5->ComboBox4->setCurrentIndex(4);  // code 5
            Form5->ComboBox6->setCurrentIndex(2);  // code 3
            Form5->ComboBox12->setCurrentIndex(3);
            pick(Form5->ComboBox8, QStringLiteral("高雄市"));
            pick(Form5->ComboBox9, QStringLiteral("鳳山區"));
            Form5->Edit15->setText(QStringLiteral("ORVEX Vantra K30"));
            Form5->Edit10->setText(QStringLiteral("12"));
            Form5->Edit11->setText(QStringLiteral("03"));
            Form5->Edit12->setText(QStringLiteral("26587390"));
            Form5->Edit14->setText(QStringLiteral("0912"));
            Form5->Edit13->setText(QStringLiteral("345678"));
            Form5->Edit17->setText(QStringLiteral("光華商場"));
            finish(env, false);
        }
        // Shown anew, now for a company: the person's ID and education come back.
        Form5->Button1Click();
        Form5->hide();
        showForm(QStringLiteral("Enterprise"));
        TForm5& f = *Form5;
        QCOMPARE(f.Edit1->text(), QStringLiteral("王小明"));
        QCOMPARE(f.Edit2->text(), QStringLiteral("1970"));
        QVERIFY(f.ComboBox1->isEnabled() && f.ComboBox2->isEnabled());
        QCOMPARE(f.ComboBox1->currentText(), QStringLiteral("3"));
        QCOMPARE(f.ComboBox2->currentText(), QStringLiteral("7"));
        QCOMPARE(f.ComboBox3->currentText(), QStringLiteral("男"));
        QCOMPARE(f.ComboBox8->currentText(), QStringLiteral("高雄市"));
        QCOMPARE(f.ComboBox9->currentText(), QStringLiteral("鳳山區"));
        QCOMPARE(f.Edit5->text(), QStringLiteral("830"));
        QCOMPARE(f.Edit15->text(), QStringLiteral("ORVEX Vantra K30"));
        QCOMPARE(f.Edit16->text(), QStringLiteral("EFF1234567"));
        QCOMPARE(f.Edit18->text(), QStringLiteral("2005"));
        QCOMPARE(f.ComboBox10->currentText(), QStringLiteral("3"));
        QCOMPARE(f.ComboBox11->currentText(), QStringLiteral("7"));
        const QStringList fields = {f.Edit3->text(),  f.Edit6->text(),  f.Edit7->text(),
                                    f.Edit8->text(),  f.Edit9->text(),  f.Edit10->text(),
                                    f.Edit11->text(), f.Edit12->text(), f.Edit14->text(),
                                    f.Edit13->text(), f.Edit17->text()};
        QCOMPARE(fields, (QStringList{QString(), QStringLiteral("忠孝東路一段1號"),
                                      QStringLiteral("ming@example.com.tw"), QStringLiteral("02"),
                                      QStringLiteral("23456789"), QStringLiteral("12"),
                                      QStringLiteral("03"), QStringLiteral("26587390"),
                                      QStringLiteral("0912"), QStringLiteral("345678"),
                                      QStringLiteral("光華商場")}));
        QCOMPARE(f.Edit4->text(), QStringLiteral("A123456789"));
        QCOMPARE(f.ComboBox12->currentIndex(), 3);
        // Occupation and position by their codes.
        QCOMPARE(f.ComboBox4->currentIndex(), 4);
        QCOMPARE(f.ComboBox6->currentIndex(), 2);
    }

    void restoringCopesWithChangedData() {
        TestEnvironment env(true);
        Program program;
        writeStateInt(keys::ProductCount, 3);
        writeState(QStringLiteral("prod_cd_2"), QStringLiteral("EFF2222222"));
        writeState(keys::Area1, QStringLiteral("台灣省"));
        writeStateInt(keys::Pos, 99);
        writeState(keys::RegStr,
                   QStringLiteral("Name=x&CompanyID=87654321&ownertype=1&personalid="));
        writeStateInt(keys::CompanyScale, 1);
        Form5->ComboBox8->setCurrentIndex(-1);
        showForm(QStringLiteral("Enterprise"));
        TForm5& f = *Form5;
        // A county no longer listed: the search ends on the last county, districts untouched.
        QCOMPARE(f.ComboBox8->currentIndex(), f.ComboBox8->count() - 1);
        QCOMPARE(f.ComboBox9->count(), 0);
        // Entry 3 was skipped at its finish: empty product fields and a year of 0.
        QCOMPARE(f.Edit16->text(), QString());
        QCOMPARE(f.Edit18->text(), QStringLiteral("0"));
        QCOMPARE(f.ComboBox10->currentIndex(), -1);
        QCOMPARE(f.ComboBox6->currentIndex(), -1);
        QCOMPARE(f.Edit4->text(), QStringLiteral("87654321"));
        QCOMPARE(f.ComboBox5->currentIndex(), 1);
        QCOMPARE(env.boxes.count(), 0);
    }

    void theWholeOnlineRoad() {
        TestEnvironment env(true);
        Program program;
        LocalClock::setNow(kToday);
        QTest::mouseClick(Form1->Label1, Qt::LeftButton);
        QVERIFY(Form4->isVisible());
        QTest::mouseClick(Form4->Label4, Qt::LeftButton);
        QVERIFY(Form5->isVisible());
        QCOMPARE(Form5->windowTitle(), QStringLiteral("個人會員註冊"));
        Fixture fixture;
        env.boxes.answerNo();
        QTest::mouseClick(Form5->Label40, Qt::LeftButton);
        QVERIFY(Form6->isVisible());
        QVERIFY(!Form5->isVisible() && !Form1->isVisible());
        QVERIFY(Form6->Edit1->text().startsWith(QStringLiteral("Name=王小明&")));
        QVERIFY(Form6->Timer1->isActive());
    }

    void thePrintRoad() {
        TestEnvironment env(true);
        Program program;
        QTest::mouseClick(Form1->Label2, Qt::LeftButton);
        QTest::mouseClick(Form4->Label5, Qt::LeftButton);
        QCOMPARE(Form5->RegMode, QStringLiteral("print"));
        Fixture fixture(QStringLiteral("Enterprise"), true);
        finish(env, false);
        QVERIFY(QFileInfo(env.cardPdf()).size() > 0);
        QVERIFY(!Form5->isVisible());
        QVERIFY(Form6->isVisible());
        QVERIFY(!Form6->Timer1->isActive());
        QVERIFY(Form6->Panel4->isVisibleTo(Form6));
        QVERIFY(!Form6->Panel2->isVisibleTo(Form6));
        QCOMPARE(Form6->CppWebBrowser2->LocationURL(),
                 env.installFolder() + QStringLiteral("/upsucss.htm"));
        Registry run;
        QVERIFY(run.OpenKey(keys::RunKey));
        QVERIFY(!run.ValueExists(keys::RunValue));
        QVERIFY(storedString().contains("&ownertype=1"));
    }

    void cancelledPrintKeepsTheForm() {
        TestEnvironment env(true);
        Program program;
        Fixture fixture(QStringLiteral("Person"), true);
        printing::setPdfOutput(QString());
        printing::setDialog([](QPrinter&, QWidget*) { return false; });
        finish(env, false);
        QVERIFY(Form5->isVisible());
        QVERIFY(!Form6->isVisible());
        QVERIFY(!QFileInfo::exists(env.cardPdf()));
        Registry run;
        QVERIFY(run.OpenKey(keys::RunKey));
        QVERIFY(run.ValueExists(keys::RunValue));
        // Nothing stored yet, so finishing again registers the product once.
        QVERIFY(!stored(keys::ProductCount).isValid());
        printing::setPdfOutput(env.cardPdf());
        finish(env, false);
        QCOMPARE(stored(keys::ProductCount), QVariant(1));
        QVERIFY(QFileInfo(env.cardPdf()).size() > 0);
        QVERIFY(!Form5->isVisible());
    }

    // A range without a page of the card counts as all pages: the card is printed once.
    void aPageRangeWithoutTheCardPrintsItAll() {
        TestEnvironment env(true);
        Program program;
        Fixture fixture(QStringLiteral("Person"), true);
        printing::setPdfOutput(QString());
        printing::setDialog([&env](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(env.cardPdf());
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(2, 2);
            return true;
        });
        finish(env, false);
        QVERIFY(QFileInfo(env.cardPdf()).size() > 0);
        QVERIFY(!Form5->isVisible());
        QCOMPARE(stored(keys::ProductCount), QVariant(1));
    }

    // A card that cannot be printed, or whose file was cut short, stores nothing and says why;
    // once the cause is gone, the next finish registers the product once.
    void aFailedPrintStoresNothing_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("cause");
        QTest::newRow("missing folder")
            << QStringLiteral("cards/card.pdf") << QStringLiteral("不存在");
        QTest::newRow("full disk") << QStringLiteral("/dev/full") << QStringLiteral("磁碟空間已滿");
    }
    void aFailedPrintStoresNothing() {
        QFETCH(QString, file);
        QFETCH(QString, cause);
        TestEnvironment env(true);
        Program program;
        Fixture fixture(QStringLiteral("Person"), true);
        const QString pdf = QDir(env.root()).filePath(file);
        printing::setPdfOutput(pdf);
        const QString before = TestEnvironment::hiveDump();
        env.boxes.answerNo();
        QTest::mouseClick(Form5->Label40, Qt::LeftButton);
        QCOMPARE(TestEnvironment::hiveDump(), before);
        QVERIFY(Form5->isVisible());
        QVERIFY(!Form6->isVisible());
        QCOMPARE(env.boxes.last().icon, msg::Icon::Stop);
        const QString text = env.boxes.last().text;
        QVERIFY2(text.startsWith(QStringLiteral("無法列印產品註冊卡：檔案「%1」").arg(pdf)),
                 qPrintable(text));
        QVERIFY2(text.contains(cause) && text.contains(QStringLiteral("尚未儲存")),
                 qPrintable(text));
        printing::setPdfOutput(env.cardPdf());
        finish(env, false);
        QCOMPARE(stored(keys::ProductCount), QVariant(1));
        QCOMPARE(stored(QStringLiteral("prod_cd_1")), QVariant(QStringLiteral("EFF1234567")));
        QVERIFY(!stored(QStringLiteral("prod_cd_2")).isValid());
        QVERIFY(QFileInfo(env.cardPdf()).size() > 0);
        QVERIFY(Form6->isVisible());
        // Printed again from the upload window: the failure is shown, the caller goes on.
        printing::setPdfOutput(pdf);
        QVERIFY(!Form5->PrintRegCard());
        QVERIFY(env.boxes.last().text.startsWith(QStringLiteral("無法列印產品註冊卡")));
    }
};

QTEST_MAIN(TestFinish)
#include "tst_finish.moc"
