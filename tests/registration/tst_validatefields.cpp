#include "FormTesting.h"

#include <functional>

using namespace formtesting;

namespace {

const QString kIncomplete = QStringLiteral("註冊內容不完整");
const QString kWrong = QStringLiteral("註冊內容不正確");

}  // namespace

class TestValidateFields : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;
    Program* program = nullptr;

    // One broken entry on an otherwise valid form: one box, its caption, the focus.
    void expectFailure(const QString& memberType, const std::function<void()>& breakIt,
                       const QString& text, QWidget* focus, const QString& caption = kIncomplete) {
        fillValid(memberType);
        env->boxes.clear();
        breakIt();
        const bool passed = Form5->ValidateFields();
        QVERIFY2(!passed, qPrintable(text));
        QCOMPARE(env->boxes.count(), 1);
        const auto& box = env->boxes.last();
        QCOMPARE(box.text, text);
        QCOMPARE(box.caption, caption);
        QCOMPARE(box.icon, msg::Icon::None);
        QCOMPARE(box.buttons, msg::Buttons::Ok);
        QCOMPARE(Form5->focusWidget(), focus);
    }

    void expectPass(const QString& memberType, const std::function<void()>& change) {
        fillValid(memberType);
        env->boxes.clear();
        change();
        const bool passed = Form5->ValidateFields();
        QVERIFY2(passed, env->boxes.count() ? qPrintable(env->boxes.last().text) : "");
        QCOMPARE(env->boxes.count(), 0);
    }

    static void setId(const QString& id) { Form5->Edit4->setText(id); }

private slots:
    void init() {
        env = new TestEnvironment(true);
        program = new Program;
    }
    void cleanup() {
        delete program;
        delete env;
    }

    void validFormsPass() {
        expectPass(QStringLiteral("Person"), [] {});
        expectPass(QStringLiteral("Enterprise"), [] {});
        // Past the checks the finish asks whether further products follow.
        fillValid(QStringLiteral("Person"));
        env->boxes.clear();
        env->boxes.answerYes();
        QTest::mouseClick(Form5->Label40, Qt::LeftButton);
        QCOMPARE(env->boxes.texts(), QStringList{QStringLiteral("是否繼續註冊其他產品")});
        QVERIFY(Form5->isVisible());
        env->boxes.clear();
        Form5->Edit1->clear();
        Form5->Button2Click();
        QCOMPARE(env->boxes.texts(), QStringList{QStringLiteral("姓名欄位未填寫")});
    }

    void nameAndCompany() {
        const QString person = QStringLiteral("Person");
        expectFailure(
            person, [] { Form5->Edit1->clear(); }, "姓名欄位未填寫", Form5->Edit1);
        expectFailure(
            person, [] { Form5->Edit1->setText("王2"); }, "姓名不可包含數字", Form5->Edit1,
            "註冊有誤");
        expectPass(person, [] { Form5->Edit1->setText("王２"); });  // full-width digit
        expectFailure(
            "Enterprise", [] { Form5->Edit3->clear(); }, "公司名稱未填寫", Form5->Edit3);
    }

    void birthday() {
        const QString person = QStringLiteral("Person");
        const QString bad = QStringLiteral("生日欄位不正確");
        expectFailure(
            person, [] { Form5->Edit2->clear(); }, bad, Form5->Edit2);
        expectFailure(
            person, [] { Form5->Edit2->setText("197"); }, bad, Form5->Edit2);
        expectFailure(
            person, [] { Form5->ComboBox1->setCurrentIndex(-1); }, bad, Form5->Edit2);
        expectFailure(
            person, [] { Form5->ComboBox2->setCurrentIndex(-1); }, bad, Form5->Edit2);
        expectFailure(
            person, [] { Form5->Edit2->setText("1910"); }, bad, Form5->Edit2);
        expectPass(person, [] { Form5->Edit2->setText("1911"); });
        // Four characters pasted with the mouse, past the key filter.
        expectFailure(
            person, [] { Form5->Edit2->setText("19a0"); }, bad, Form5->Edit2);
        expectFailure(
            person, [] { Form5->ComboBox3->setCurrentIndex(-1); }, "性別欄位未填寫",
            Form5->ComboBox3);
    }

    void personalId() {
        const QString person = QStringLiteral("Person");
        const QString bad = QStringLiteral("身份證字號不正確");
        const QString badOrSex = QStringLiteral("身份證字號或性別不正確");
        expectFailure(
            person, [] { setId(""); }, bad, Form5->Edit4);
        expectFailure(
            person, [] { setId("A12345678"); }, bad, Form5->Edit4);
        expectFailure(
            person, [] { setId("1123456789"); }, bad, Form5->Edit4);
        expectFailure(
            person, [] { setId("A323456789"); }, bad, Form5->Edit4);
        expectFailure(
            person, [] { Form5->ComboBox3->setCurrentIndex(1); }, badOrSex, Form5->Edit4);
        expectFailure(
            person, [] { setId("A223456789"); }, badOrSex, Form5->Edit4);
        expectPass(person, [] {
            setId("A223456781");
            Form5->ComboBox3->setCurrentIndex(1);
        });
        expectPass(person, [] { setId("W123456789"); });
        expectFailure(
            person, [] { setId("A123456788"); }, bad, Form5->Edit4);
        expectFailure(
            person, [] { setId("A12345678B"); }, bad, Form5->Edit4);
        // A missing sex is reported before a mismatching one.
        expectFailure(
            person, [] { Form5->ComboBox3->setCurrentIndex(-1); }, "性別欄位未填寫",
            Form5->ComboBox3);

        // From the second product on the check digit is not tested; the rest is.
        const auto withTab = [] { Form5->TabControl1->addTab(QStringLiteral("K20")); };
        expectPass(person, [&] {
            withTab();
            setId("A123456788");
        });
        expectFailure(
            person,
            [&] {
                withTab();
                setId("A323456789");
            },
            bad, Form5->Edit4);
        expectFailure(
            person,
            [&] {
                withTab();
                Form5->ComboBox3->setCurrentIndex(1);
            },
            badOrSex, Form5->Edit4);
    }

    void companyNumber() {
        const QString enterprise = QStringLiteral("Enterprise");
        expectFailure(
            enterprise, [] { setId(""); }, "公司統編未填寫", Form5->Edit4);
        expectFailure(
            enterprise, [] { setId("1234567"); }, "公司統編不正確", Form5->Edit4);
        expectFailure(
            enterprise, [] { setId("123456789"); }, "公司統編不正確", Form5->Edit4);
        expectPass(enterprise, [] { setId("00000000"); });
        // No ID rules for an enterprise, whatever the sex.
        expectPass(enterprise, [] { Form5->ComboBox3->setCurrentIndex(1); });
    }

    void lists() {
        const QString person = QStringLiteral("Person");
        const QString enterprise = QStringLiteral("Enterprise");
        expectFailure(
            person, [] { Form5->ComboBox4->setCurrentIndex(-1); }, "行業欄位未填寫",
            Form5->ComboBox4);
        expectFailure(
            person, [] { Form5->ComboBox6->setCurrentIndex(-1); }, "職稱欄位未填寫",
            Form5->ComboBox6);
        expectFailure(
            enterprise, [] { Form5->ComboBox5->setCurrentIndex(-1); }, "公司規模未填寫",
            Form5->ComboBox5);
        expectFailure(
            enterprise, [] { Form5->ComboBox7->setCurrentIndex(-1); }, "公司資本額未填寫",
            Form5->ComboBox7);
        expectPass(person, [] {
            Form5->ComboBox5->setCurrentIndex(-1);
            Form5->ComboBox7->setCurrentIndex(-1);
        });
    }

    void address() {
        const QString person = QStringLiteral("Person");
        expectFailure(
            person, [] { Form5->ComboBox8->setCurrentIndex(-1); }, "縣市未填寫", Form5->ComboBox8);
        expectFailure(
            person, [] { Form5->ComboBox9->setCurrentIndex(-1); }, "區域未填寫", Form5->ComboBox9);
        expectFailure(
            person, [] { Form5->Edit6->clear(); }, "地址不正確", Form5->Edit6);
        // A district of a single Chinese character is too short.
        expectFailure(
            person,
            [this] {
                env->writeText("program/postcode.ini", "[臺北市]\r\n東=100\r\n");
                pick(Form5->ComboBox8, QStringLiteral("臺北市"));
            },
            "地址不正確", Form5->ComboBox9);
    }

    void mailAndPhone() {
        const QString person = QStringLiteral("Person");
        const QString badMail = QStringLiteral("電子郵件不正確");
        expectFailure(
            person, [] { Form5->Edit7->clear(); }, badMail, Form5->Edit7);
        expectFailure(
            person, [] { Form5->Edit7->setText("ming.example.tw"); }, badMail, Form5->Edit7);
        expectFailure(
            person, [] { Form5->Edit7->setText("ming@example"); }, badMail, Form5->Edit7);
        // 一 is A4 40 in Big5; its "@" byte is no "@".
        expectFailure(
            person, [] { Form5->Edit7->setText("一.tw"); }, badMail, Form5->Edit7);
        expectPass(person, [] { Form5->Edit7->setText("a.b@c"); });

        const QString badPhone = QStringLiteral("電話欄位不正確");
        expectFailure(
            person, [] { Form5->Edit8->clear(); }, badPhone, Form5->Edit8);
        expectFailure(
            person, [] { Form5->Edit9->setText("1234"); }, badPhone, Form5->Edit9);
        expectFailure(
            person, [] { Form5->Edit9->clear(); }, badPhone, Form5->Edit9);
        expectPass(person, [] { Form5->Edit9->setText("12345"); });
    }

    void serialAndPurchaseDate() {
        const QString person = QStringLiteral("Person");
        const QString badSerial = QStringLiteral("產品序號不正確");
        expectFailure(
            person, [] { Form5->Edit16->setText("EFF"); }, badSerial, Form5->Edit16);
        expectFailure(
            person, [] { Form5->Edit16->setText("EFF12345678"); }, badSerial, Form5->Edit16);

        const QString bad = QStringLiteral("購買日期不正確");
        expectFailure(
            person, [] { Form5->Edit18->clear(); }, bad, Form5->Edit18);
        expectFailure(
            person, [] { Form5->Edit18->setText("205"); }, bad, Form5->Edit18);
        expectFailure(
            person, [] { Form5->ComboBox10->setCurrentIndex(-1); }, bad, Form5->ComboBox10);
        expectFailure(
            person, [] { Form5->ComboBox11->setCurrentIndex(-1); }, bad, Form5->ComboBox11);
        expectFailure(
            person, [] { Form5->Edit18->setText("1910"); }, bad, Form5->Edit18);
        expectPass(person, [] { Form5->Edit18->setText("1911"); });
        // Days that do not exist, though the day list offers them.
        expectFailure(
            person,
            [] {
                Form5->Edit18->setText("2004");
                Form5->ComboBox10->setCurrentIndex(3);
                Form5->ComboBox11->setCurrentIndex(30);
            },
            bad, Form5->ComboBox11);
        expectFailure(
            person,
            [] {
                Form5->Edit18->setText("2004");
                Form5->ComboBox10->setCurrentIndex(1);
                Form5->ComboBox11->setCurrentIndex(29);
            },
            bad, Form5->ComboBox11);
        expectPass(person, [] {
            Form5->Edit18->setText("2004");
            Form5->ComboBox10->setCurrentIndex(1);
            Form5->ComboBox11->setCurrentIndex(28);
        });
    }

    // With two fields broken, the earlier check speaks.
    void checksRunInTheirOrder() {
        const QString person = QStringLiteral("Person");
        expectFailure(
            person,
            [] {
                Form5->Edit1->setText(QStringLiteral("王1"));
                Form5->Edit2->clear();
            },
            QStringLiteral("姓名不可包含數字"), Form5->Edit1, QStringLiteral("註冊有誤"));
        expectFailure(
            person,
            [] {
                Form5->Edit6->clear();
                Form5->Edit7->setText(QStringLiteral("no-at.example.com"));
            },
            QStringLiteral("地址不正確"), Form5->Edit6);
        expectFailure(
            person,
            [] {
                Form5->Edit7->setText(QStringLiteral("ming@example"));
                Form5->Edit8->clear();
            },
            QStringLiteral("電子郵件不正確"), Form5->Edit7);
        expectFailure(
            person,
            [] {
                Form5->Edit9->setText(QStringLiteral("1234"));
                Form5->Edit16->setText(QStringLiteral("EFF"));
            },
            QStringLiteral("電話欄位不正確"), Form5->Edit9);
        expectFailure(
            person,
            [] {
                Form5->ComboBox11->setCurrentIndex(-1);
                Form5->Edit18->setText(QStringLiteral("1900"));
            },
            QStringLiteral("購買日期不正確"), Form5->ComboBox11);
        expectFailure(
            person,
            [] {
                Form5->ComboBox4->setCurrentIndex(-1);
                Form5->ComboBox8->setCurrentIndex(-1);
            },
            QStringLiteral("行業欄位未填寫"), Form5->ComboBox4);
    }

    void purchaseAfterTheFirstRun() {
        const QString person = QStringLiteral("Person");
        const QString message = QStringLiteral(
            "您的購買日期應該在本程式之前（2005/3/"
            "7），若您忘記購買日期，請填寫本程式第一次執行日期。");
        expectFailure(
            person, [] { Form5->ComboBox11->setCurrentIndex(7); }, message, Form5->Edit18, kWrong);
        // The purchase fields now show the first-run date, which passes.
        QCOMPARE(Form5->Edit18->text(), QStringLiteral("2005"));
        QCOMPARE(Form5->ComboBox10->currentText(), QStringLiteral("3"));
        QCOMPARE(Form5->ComboBox11->currentText(), QStringLiteral("7"));
        env->boxes.clear();
        QVERIFY(Form5->ValidateFields());

        expectFailure(
            person,
            [] {
                Form5->Edit18->setText("2010");
                Form5->ComboBox10->setCurrentIndex(11);
                Form5->ComboBox11->setCurrentIndex(24);
            },
            message, Form5->Edit18, kWrong);
        QCOMPARE(Form5->ComboBox11->currentText(), QStringLiteral("7"));

        // A first-run date that is missing, no number or no date is reported, not thrown.
        const QString lost = QStringLiteral("找不到本程式第一次執行的日期，無法核對購買日期。");
        expectFailure(
            person,
            [] {
                Registry reg;
                reg.OpenKey(keys::StateKey);
                reg.DeleteValue(keys::FirstRunMonth);
            },
            lost, Form5->Edit18, kWrong);
        expectFailure(
            person, [] { writeState(keys::FirstRunDay, "7th"); }, lost, Form5->Edit18, kWrong);
        expectFailure(
            person, [] { writeStateInt(keys::FirstRunYear, 2005); }, lost, Form5->Edit18, kWrong);
        expectFailure(
            person,
            [] {
                writeState(keys::FirstRunMonth, "2");
                writeState(keys::FirstRunDay, "30");
            },
            lost, Form5->Edit18, kWrong);
    }

    // Real key events on the shown form; each rule acts on the field just typed in.
    void numberFieldsKeepOnlyNumbers() {
        showForm(QStringLiteral("Person"));
        TForm5& f = *Form5;
        struct Rule {
            TBig5Edit* field;
            QString message;
        };
        const Rule rules[] = {{f.Edit8, "欄位必須為數字"},      {f.Edit9, "欄位必須為數字"},
                              {f.Edit10, "欄位必須為數字"},     {f.Edit11, "欄位必須為數字"},
                              {f.Edit12, "欄位必須為數字"},     {f.Edit14, "電話欄位必須為數字"},
                              {f.Edit13, "電話欄位必須為數字"}, {f.Edit18, "日期欄位必須為數字"},
                              {f.Edit2, "日期欄位必須為數字"}};
        for (const Rule& r : rules) {
            r.field->clear();
            r.field->setFocus();
            env->boxes.clear();
            QTest::keyClicks(r.field, QStringLiteral("1x"));
            QCOMPARE(r.field->text(), QStringLiteral("1"));
            QCOMPARE(env->boxes.texts(), QStringList{r.message});
            QCOMPARE(env->boxes.last().caption, kIncomplete);
            QCOMPARE(f.focusWidget(), r.field);
        }
        // A sign typed first goes at once; one put in front of digits stays.
        env->boxes.clear();
        f.Edit9->clear();
        QTest::keyClicks(f.Edit9, QStringLiteral("-"));
        QCOMPARE(f.Edit9->text(), QString());
        QTest::keyClicks(f.Edit9, QStringLiteral("123"));
        f.Edit9->home(false);
        QTest::keyClicks(f.Edit9, QStringLiteral("-"));
        QCOMPARE(f.Edit9->text(), QStringLiteral("-123"));
        QCOMPARE(env->boxes.count(), 1);
        // Beyond 2147483647 in the extension, which has no length limit.
        f.Edit10->clear();
        QTest::keyClicks(f.Edit10, QStringLiteral("21474836478"));
        QCOMPARE(f.Edit10->text(), QStringLiteral("2147483647"));
        // The last character goes, wherever the caret stands.
        f.Edit12->setText(QStringLiteral("1234"));
        f.Edit12->setCursorPosition(1);
        QTest::keyClicks(f.Edit12, QStringLiteral("a"));
        QCOMPARE(f.Edit12->text(), QStringLiteral("1a23"));
        // A Chinese character at the end is removed as a whole.
        f.Edit13->clear();
        type(f.Edit13, QStringLiteral("09一"));
        QCOMPARE(f.Edit13->text(), QStringLiteral("09"));

        // The company number is numeric for an enterprise only.
        f.Edit4->clear();
        QTest::keyClicks(f.Edit4, QStringLiteral("a1b"));
        QCOMPARE(f.Edit4->text(), QStringLiteral("A1B"));
        f.hide();
        showForm(QStringLiteral("Enterprise"));
        env->boxes.clear();
        f.Edit4->clear();
        QTest::keyClicks(f.Edit4, QStringLiteral("12a"));
        QCOMPARE(f.Edit4->text(), QStringLiteral("12"));
        QCOMPARE(env->boxes.texts(), QStringList{QStringLiteral("公司統編必須為數字")});
    }

    void birthYearSwitchesTheMonthList() {
        showForm(QStringLiteral("Person"));
        TForm5& f = *Form5;
        f.Edit2->clear();
        QTest::keyClicks(f.Edit2, QStringLiteral("1970"));
        QVERIFY(f.ComboBox1->isEnabled());
        QTest::keyClick(f.Edit2, Qt::Key_Backspace);
        QVERIFY(!f.ComboBox1->isEnabled());
        QTest::keyClicks(f.Edit2, QStringLiteral("1"));
        QVERIFY(f.ComboBox1->isEnabled());
        // Over the limit of four: the typed digit is refused, the list stays enabled.
        QTest::keyClicks(f.Edit2, QStringLiteral("5"));
        QCOMPARE(f.Edit2->text(), QStringLiteral("1971"));
        QVERIFY(f.ComboBox1->isEnabled());
    }

    void mailSerialAndDealerRules() {
        showForm(QStringLiteral("Person"));
        TForm5& f = *Form5;
        f.Edit7->clear();
        QTest::keyClicks(f.Edit7, QStringLiteral("Ming@"));
        type(f.Edit7, QStringLiteral("一"));
        QCOMPARE(f.Edit7->text(), QStringLiteral("ming@"));
        QCOMPARE(env->boxes.texts(), QStringList{QStringLiteral("不接受中文或全形字")});
        QCOMPARE(f.focusWidget(), f.Edit7);
        // Over-long text put in by the program is reported at every key and kept.
        env->boxes.clear();
        const QString longMail = QStringLiteral("abcdefghij@abcdefghij.abcdefghij.tw");
        f.Edit7->setText(longMail + QStringLiteral("x"));
        QTest::keyClick(f.Edit7, Qt::Key_End);
        QTest::keyClick(f.Edit7, Qt::Key_Left);
        QCOMPARE(env->boxes.texts(), QStringList({"電子郵件過長", "電子郵件過長"}));
        QCOMPARE(f.Edit7->text().size(), 36);

        // A Chinese character in the serial is reported and kept.
        env->boxes.clear();
        f.Edit16->clear();
        QTest::keyClicks(f.Edit16, QStringLiteral("eff"));
        type(f.Edit16, QStringLiteral("一"));
        QCOMPARE(f.Edit16->text(), QStringLiteral("EFF一"));
        QCOMPARE(env->boxes.texts(), QStringList{QStringLiteral("不接受中文等文字")});

        // A serial registered before is cut back to three characters once it is complete.
        writeStateInt(keys::ProductCount, 2);
        writeState(QStringLiteral("prod_cd_1"), QStringLiteral("EFF0000001"));
        writeState(QStringLiteral("prod_cd_2"), QStringLiteral("EFF1234567"));
        env->boxes.clear();
        f.Edit16->clear();
        QTest::keyClicks(f.Edit16, QStringLiteral("eff123456"));
        QCOMPARE(env->boxes.count(), 0);
        QTest::keyClicks(f.Edit16, QStringLiteral("7"));
        QCOMPARE(f.Edit16->text(), QStringLiteral("EFF"));
        QCOMPARE(env->boxes.count(), 1);
        QCOMPARE(env->boxes.last().text, QStringLiteral("該產品序號已註冊過！"));
        QCOMPARE(env->boxes.last().caption, QStringLiteral("註冊內容有誤！"));
        // A restored serial: any key released in the field.
        env->boxes.clear();
        f.Edit16->setText(QStringLiteral("EFF0000001"));
        QTest::keyClick(f.Edit16, Qt::Key_Home);
        QCOMPARE(f.Edit16->text(), QStringLiteral("EFF"));
        QCOMPARE(env->boxes.count(), 1);
        env->boxes.clear();
        f.Edit16->setText(QStringLiteral("EFF12345678"));
        QTest::keyClick(f.Edit16, Qt::Key_End);
        QCOMPARE(env->boxes.texts(), QStringList{QStringLiteral("產品序號過長")});
        QCOMPARE(f.Edit16->text(), QStringLiteral("EFF12345678"));

        env->boxes.clear();
        f.Edit17->setText(QStringLiteral("經銷商名稱"));
        QTest::keyClick(f.Edit17, Qt::Key_End);
        QCOMPARE(env->boxes.texts(), QStringList{QStringLiteral("經銷商或統編過長")});
    }
};

QTEST_MAIN(TestValidateFields)
#include "tst_validatefields.moc"
