#include "FormTesting.h"
#include "controls/TProEffectImage.h"
#include "core/Profile.h"
#include "platform/LocalClock.h"

#include <QFile>
#include <QFont>
#include <QSignalSpy>

using namespace formtesting;

namespace {

QStringList items(const QComboBox* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->itemText(i);
    }
    return out;
}

QStringList dayItems(int days) {
    QStringList out;
    for (int d = 1; d <= days; ++d) {
        out << QString::number(d);
    }
    return out;
}

// Mandatory captions maroon with a star; every caption fits its label and covers no field.
void checkCaptions() {
    const auto fields = Form5->findChildren<QWidget*>();
    for (QLabel* label : Form5->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty() || label->parentWidget() != Form5) {
            continue;
        }
        const QString name = label->objectName();
        QCOMPARE(label->styleSheet().contains(QStringLiteral("#800000")),
                 label->text().startsWith(u'*'));
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(name));
        QCOMPARE(label->font().pointSize(), 8);
        for (QWidget* field : fields) {
            if ((qobject_cast<QLineEdit*>(field) || qobject_cast<QComboBox*>(field)) &&
                field->isVisible()) {
                QVERIFY2(!label->geometry().intersects(field->geometry()),
                         qPrintable(name + " over " + field->objectName()));
            }
        }
    }
}

}  // namespace

class TestRegistrationForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The program's own font, so that caption widths are measured as they are shown.
        QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK TC"), 9));
    }

    void memberTypeLeadsToTheForm() {
        TestEnvironment env(true);
        Program program;
        QCOMPARE(Form4->size(), QSize(268, 165));
        QVERIFY(Form4->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(Form4->windowFlags() & Qt::WindowMinimizeButtonHint));
        QCOMPARE(Form4->windowTitle(), QStringLiteral("會員類別"));

        // The caption of a choice acts like its picture area.
        Form1->Button4Click();
        QVERIFY(Form4->isVisible() && !Form1->isVisible());
        QTest::mouseClick(Form4->Label4, Qt::LeftButton);
        QVERIFY(!Form4->isVisible());
        QVERIFY(Form5->isVisible());
        QCOMPARE(Form5->MemberType, QStringLiteral("Person"));
        QCOMPARE(Form5->windowTitle(), QStringLiteral("個人會員註冊"));
        QCOMPARE(Form5->RegMode, QStringLiteral("online"));

        // Enterprise after a person: the form is laid out anew as it is shown.
        Form5->Button3Click();
        QVERIFY(!Form5->isVisible() && Form1->isVisible());
        Form1->Button3Click();
        QTest::mouseClick(Form4->Label3, Qt::LeftButton);
        QCOMPARE(Form5->MemberType, QStringLiteral("Enterprise"));
        QCOMPARE(Form5->windowTitle(), QStringLiteral("企業會員註冊"));
        QCOMPARE(Form5->RegMode, QStringLiteral("print"));

        // The close box returns to the main window and chooses nothing.
        Form5->Button3Click();
        Form1->Button4Click();
        QVERIFY(!Form4->close());
        QVERIFY(!Form4->isVisible() && Form1->isVisible() && !Form5->isVisible());
        QCOMPARE(Form5->MemberType, QStringLiteral("Enterprise"));
        QCOMPARE(env.boxes.count(), 0);
    }

    void memberTypeHoverLightensOneChoice() {
        TestEnvironment env(true);
        Program program;
        const QImage plain = Form4->ProEffectImage3->Picture();
        QCOMPARE(Form4->ProEffectImage1->Picture(), plain);
        hover(Form4->Label2, true);
        QCOMPARE(Form4->ProEffectImage1->Picture(), TProEffectImage::lightened(plain, 80));
        QCOMPARE(Form4->ProEffectImage2->Picture(), Form4->ProEffectImage4->Picture());
        // Straight from one choice to the caption of the other.
        hover(Form4->Label2, false);
        hover(Form4->Label5, true);
        QCOMPARE(Form4->ProEffectImage1->Picture(), plain);
        QCOMPARE(Form4->ProEffectImage2->Picture(),
                 TProEffectImage::lightened(Form4->ProEffectImage4->Picture(), 80));
        hover(Form4->Label5, false);
        QCOMPARE(Form4->ProEffectImage2->Picture(), Form4->ProEffectImage4->Picture());
    }

    void layoutForPersonAndEnterprise() {
        TestEnvironment env(true);
        Program program;
        QCOMPARE(Form5->size(), QSize(800, 600));
        QCOMPARE(Form5->Edit1->geometry(), QRect(138, 71, 129, 21));
        QCOMPARE(Form5->Edit4->geometry().topLeft(), QPoint(328, 142));
        QCOMPARE(Form5->ComboBox9->geometry().topLeft(), QPoint(354, 246));
        QCOMPARE(Form5->Edit18->geometry().topLeft(), QPoint(201, 534));
        QCOMPARE(Form5->TabControl1->geometry().topLeft(), QPoint(59, 412));
        QCOMPARE(Form5->Image1->geometry(), QRect(489, 447, 256, 82));
        QCOMPARE(Form5->ProEffectImage2->geometry(), QRect(527, 567, 80, 25));
        QCOMPARE(Form5->Label34->text(), IniFile(env.programFolder() + "/regset.ini")
                                             .ReadString("regmessages", "page1title", "?"));
        QCOMPARE(Form5->Edit15->text(), QStringLiteral("ORVEX Vantra K20 Series"));
        QCOMPARE(Form5->Edit16->text(), QStringLiteral("EFF"));
        QCOMPARE(Form5->Edit4->maxBytes(), 10);
        QCOMPARE(Form5->Edit4->charCase(), TBig5Edit::Upper);
        QCOMPARE(Form5->Edit7->maxBytes(), 35);
        QCOMPARE(Form5->Edit7->charCase(), TBig5Edit::Lower);
        QCOMPARE(Form5->Edit13->maxBytes(), 6);
        QCOMPARE(Form5->Edit10->maxBytes(), 0);
        QCOMPARE(items(Form5->ComboBox11), dayItems(31));
        QCOMPARE(Form5->ComboBox3->currentIndex(), -1);

        showForm(QStringLiteral("Person"));
        QVERIFY(Form5->Image6->isVisible() && !Form5->Image5->isVisible());
        for (QWidget* w : std::initializer_list<QWidget*>{Form5->Label32, Form5->ComboBox12,
                                                          Form5->Label20, Form5->Label33}) {
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
        }
        for (QWidget* w :
             std::initializer_list<QWidget*>{Form5->Label9, Form5->Label11, Form5->ComboBox5,
                                             Form5->Label13, Form5->ComboBox7, Form5->Label7}) {
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        }
        QCOMPARE(Form5->Label33->text(), QStringLiteral("公司名稱"));
        QCOMPARE(Form5->Panel2->geometry(), QRect(49, 220, 690, 2));
        for (auto* face :
             {Form5->ProEffectImage1, Form5->ProEffectImage2, Form5->ProEffectImage3}) {
            QCOMPARE(face->Picture(), Form5->ProEffectImage7->Picture());
        }
        QCOMPARE(Form5->ComboBox4->count(), 16);
        QCOMPARE(Form5->ComboBox4->currentIndex(), -1);
        QCOMPARE(Form5->ComboBox6->currentIndex(), -1);
        QCOMPARE(Form5->OccupationCodes.size(), 16);
        QCOMPARE(Form5->OccupationCodes.first(), QStringLiteral("1"));
        QCOMPARE(Form5->ComboBox12->count(), 5);
        QCOMPARE(Form5->ComboBox5->count(), 0);
        QCOMPARE(Form5->focusWidget(), Form5->Edit1);
        checkCaptions();
        if (QTest::currentTestFailed()) {
            return;
        }

        Form5->hide();
        showForm(QStringLiteral("Enterprise"));
        QVERIFY(!Form5->Image6->isVisible() && Form5->Image5->isVisible());
        for (QWidget* w :
             std::initializer_list<QWidget*>{Form5->Label9, Form5->Label11, Form5->ComboBox5,
                                             Form5->Label13, Form5->ComboBox7, Form5->Label7}) {
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
        }
        for (QWidget* w : std::initializer_list<QWidget*>{Form5->Label32, Form5->ComboBox12,
                                                          Form5->Label20, Form5->Label33}) {
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        }
        QCOMPARE(Form5->Label7->text(), QStringLiteral("*公司名稱"));
        QCOMPARE(Form5->Panel2->y(), 236);
        QCOMPARE(Form5->ProEffectImage1->Picture(), Form5->ProEffectImage4->Picture());
        QCOMPARE(Form5->ProEffectImage3->Picture(), Form5->ProEffectImage6->Picture());
        QVERIFY(Form5->ProEffectImage1->Picture() != Form5->ProEffectImage7->Picture());
        QCOMPARE(Form5->ComboBox5->itemText(0), QStringLiteral("10人以下"));
        QCOMPARE(Form5->CompanyScaleCodes.first(), QStringLiteral("A1"));
        QCOMPARE(Form5->CompanyCapitalCodes.size(), Form5->ComboBox7->count());
        QCOMPARE(Form5->ComboBox5->currentIndex(), -1);
        checkCaptions();
    }

    void listsFromTheSettingsFile() {
        {
            // Without regset.ini and postcode.ini: empty lists and the defaults, nothing
            // reported.
            TestEnvironment env(true);
            QVERIFY(QFile::remove(env.programFolder() + QStringLiteral("/regset.ini")));
            QVERIFY(QFile::remove(env.programFolder() + QStringLiteral("/postcode.ini")));
            Program program;
            showForm(QStringLiteral("Enterprise"));
            QCOMPARE(Form5->ComboBox4->count(), 0);
            QCOMPARE(Form5->ComboBox7->count(), 0);
            QVERIFY(Form5->CompanyScaleCodes.isEmpty());
            QCOMPARE(Form5->ComboBox8->count(), 0);
            QCOMPARE(Form5->DefaultProdCd, QStringLiteral("EFF"));
            QCOMPARE(Form5->Edit15->text(), QStringLiteral("ORVEX Vantra K20 Series"));
            QCOMPARE(Form5->Label35->text(),
                     QStringLiteral("優惠或產品保固時，因身份或產品不符而影響您的權益！"));
            QCOMPARE(env.boxes.count(), 0);
        }
        // More than 30 items keep every item and its code; a key without a value is coded by
        // its position.
        TestEnvironment env(true);
        QString occupations = QStringLiteral("[OccupationList]\r\n");
        for (int i = 1; i <= 35; ++i) {
            occupations += QStringLiteral("行業%1=%2\r\n")
                               .arg(i)
                               .arg(i == 33 ? QString() : "X" + QString::number(i));
        }
        env.writeRegset(occupations +
                        QStringLiteral("[PositionList]\r\n負責人\r\n職員=7\r\n"
                                       "[Registdata]\r\nprinter=K99\r\nprod_cd=ABC\r\n"));
        Program program;
        showForm(QStringLiteral("Person"));
        QCOMPARE(Form5->ComboBox4->count(), 35);
        QCOMPARE(Form5->OccupationCodes.size(), 35);
        QCOMPARE(Form5->OccupationCodes[34], QStringLiteral("X35"));
        QCOMPARE(Form5->OccupationCodes[32], QString());
        QCOMPARE(Form5->PositionCodes, QStringList({"1", "7"}));
        QCOMPARE(Form5->Edit15->text(), QStringLiteral("K99"));
        QCOMPARE(Form5->Edit16->text(), QStringLiteral("ABC"));
        // Read again at every showing; the education list only at creation.
        env.writeRegset(
            QStringLiteral("[OccupationList]\r\n學生=1\r\n[EducationList]\r\n大學=\r\n"));
        Form5->hide();
        showForm(QStringLiteral("Person"));
        QCOMPARE(items(Form5->ComboBox4), QStringList{QStringLiteral("學生")});
        QCOMPARE(Form5->ComboBox12->count(), 0);
    }

    void tabOrderFollowsTheFields() {
        TestEnvironment env(true);
        Program program;
        const QList<QWidget*> order = {
            Form5->Edit1,      Form5->Edit3,      Form5->Edit2,       Form5->ComboBox1,
            Form5->ComboBox2,  Form5->ComboBox3,  Form5->Edit4,       Form5->ComboBox12,
            Form5->ComboBox4,  Form5->ComboBox6,  Form5->ComboBox5,   Form5->ComboBox7,
            Form5->ComboBox8,  Form5->ComboBox9,  Form5->Edit5,       Form5->Edit6,
            Form5->Edit7,      Form5->Edit8,      Form5->Edit9,       Form5->Edit10,
            Form5->Edit11,     Form5->Edit12,     Form5->Edit14,      Form5->Edit13,
            Form5->Edit15,     Form5->Edit16,     Form5->Edit17,      Form5->Edit18,
            Form5->ComboBox10, Form5->ComboBox11, Form5->TabControl1, Form5->Label36,
            Form5->Label37,    Form5->Label38};
        QList<QWidget*> chain;
        QWidget* w = Form5->Edit1;
        do {
            if (order.contains(w)) {
                chain << w;
            }
            w = w->nextInFocusChain();
        } while (w != Form5->Edit1);
        QCOMPARE(chain, order);

        // With real Tab keys on a person form: hidden and disabled fields are passed over.
        showForm(QStringLiteral("Person"));
        QList<QWidget*> expected = order;
        for (QWidget* skipped :
             std::initializer_list<QWidget*>{Form5->ComboBox1, Form5->ComboBox2, Form5->ComboBox5,
                                             Form5->ComboBox7, Form5->TabControl1}) {
            expected.removeOne(skipped);
        }
        expected << Form5->Edit1;
        QList<QWidget*> visited{QApplication::focusWidget()};
        while (visited.size() < expected.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited, expected);
    }

    void countyDistrictAndPostalCode() {
        TestEnvironment env(true);
        Program program;
        showForm(QStringLiteral("Person"));
        QCOMPARE(Form5->ComboBox8->count(), 22);
        QCOMPARE(Form5->ComboBox8->itemText(0), QStringLiteral("臺北市"));
        QCOMPARE(Form5->ComboBox8->currentIndex(), -1);

        pick(Form5->ComboBox8, QStringLiteral("新竹市"));
        QCOMPARE(Form5->ComboBox9->currentIndex(), 0);
        QCOMPARE(Form5->Edit5->text(), QStringLiteral("300"));
        pick(Form5->ComboBox8, QStringLiteral("高雄市"));
        QVERIFY(items(Form5->ComboBox9).contains(QStringLiteral("東沙")));
        pick(Form5->ComboBox9, QStringLiteral("鳳山區"));
        QCOMPARE(Form5->Edit5->text(), QStringLiteral("830"));
        // A selection by the program is no pick.
        Form5->ComboBox8->setCurrentIndex(0);
        QCOMPARE(Form5->ComboBox9->currentText(), QStringLiteral("鳳山區"));

        // The file is read afresh at every step; a county without districts empties both.
        env.writeText(QStringLiteral("program/postcode.ini"),
                      QStringLiteral("[臺北市]\r\n[新竹市]\r\n東區=999\r\n"));
        pick(Form5->ComboBox8, QStringLiteral("新竹市"));
        QCOMPARE(Form5->Edit5->text(), QStringLiteral("999"));
        pick(Form5->ComboBox8, QStringLiteral("臺北市"));
        QCOMPARE(Form5->ComboBox9->count(), 0);
        QCOMPARE(Form5->Edit5->text(), QString());
        QCOMPARE(env.boxes.count(), 0);
    }

    void laterShowingKeepsWhatWasTyped() {
        TestEnvironment env(true);
        Program program;
        showForm(QStringLiteral("Person"));
        type(Form5->Edit1, QStringLiteral("王小明"));
        pick(Form5->ComboBox4, 2);
        pick(Form5->ComboBox8, QStringLiteral("新竹市"));
        Form5->Edit18->setText(QStringLiteral("1999"));
        Form5->close();
        QVERIFY(!Form5->isVisible() && Form1->isVisible());

        LocalClock::setNow(QDateTime(QDate(2024, 2, 29), QTime(9, 0)));
        showForm(QStringLiteral("Person"));
        QCOMPARE(Form5->Edit1->text(), QStringLiteral("王小明"));
        QCOMPARE(Form5->Edit5->text(), QStringLiteral("300"));
        QCOMPARE(Form5->ComboBox4->currentIndex(), -1);  // the lists are filled anew
        QCOMPARE(Form5->Edit18->text(), QStringLiteral("2024"));
        QCOMPARE(Form5->ComboBox10->currentText(), QStringLiteral("2"));
        QCOMPARE(Form5->ComboBox11->currentText(), QStringLiteral("29"));
        QCOMPARE(Form5->ComboBox11->count(), 31);
        Registry reg;
        QVERIFY(reg.OpenKey(keys::StateKey));
        QVERIFY(!reg.ValueExists(keys::Name));  // cancel saves nothing
    }

    // A stray Escape decides nothing on the form: it stays with what was typed; 取消 cancels.
    void escapeLeavesTheFormAsItIs() {
        TestEnvironment env(true);
        Program program;
        for (const QString& memberType : {QStringLiteral("Person"), QStringLiteral("Enterprise")}) {
            showForm(memberType);
            Form5->Edit6->setText(QStringLiteral("中正路1號"));
            QTest::keyClick(Form5->Edit6, Qt::Key_Escape);
            QVERIFY(Form5->isVisible());
            QCOMPARE(Form5->Edit6->text(), QStringLiteral("中正路1號"));
            QCOMPARE(env.boxes.count(), 0);
            Form5->Label38Click();
            QVERIFY(!Form5->isVisible() && Form1->isVisible());
        }
    }

    void birthDateLists() {
        TestEnvironment env(true);
        Program program;
        showForm(QStringLiteral("Person"));
        QVERIFY(!Form5->ComboBox1->isEnabled() && !Form5->ComboBox2->isEnabled());
        QTest::keyClicks(Form5->Edit2, QStringLiteral("190"));
        QVERIFY(!Form5->ComboBox1->isEnabled());
        QTest::keyClicks(Form5->Edit2, QStringLiteral("0"));
        QVERIFY(Form5->ComboBox1->isEnabled());
        pick(Form5->ComboBox1, QStringLiteral("2"));
        QVERIFY(Form5->ComboBox2->isEnabled());
        QCOMPARE(items(Form5->ComboBox2), dayItems(28));  // 1900 is no leap year

        const auto daysFor = [](const QString& year, const QString& month) {
            Form5->Edit2->setText(year);
            pick(Form5->ComboBox1, month);
            return Form5->ComboBox2->count();
        };
        QCOMPARE(daysFor("2000", "2"), 29);
        QCOMPARE(daysFor("2001", "2"), 28);
        QCOMPARE(daysFor("2001", "4"), 30);
        QCOMPARE(daysFor("2001", "12"), 31);
        Form5->ComboBox2->setCurrentIndex(20);
        pick(Form5->ComboBox1, QStringLiteral("5"));
        QCOMPARE(Form5->ComboBox2->currentIndex(), -1);  // a new month drops the day

        // Emptying the year with one key leaves the month list as it was.
        Form5->Edit2->selectAll();
        QTest::keyClick(Form5->Edit2, Qt::Key_Delete);
        QCOMPARE(Form5->Edit2->text(), QString());
        QVERIFY(Form5->ComboBox1->isEnabled());

        // A month picked without a year: the conversion error is shown, the day list stays.
        Form5->ComboBox2->setEnabled(false);
        pick(Form5->ComboBox1, QStringLiteral("6"));
        QCOMPARE(env.boxes.count(), 1);
        QCOMPARE(env.boxes.last().text, QStringLiteral("'' is not a valid integer value."));
        QCOMPARE(env.boxes.last().icon, msg::Icon::Stop);
        QVERIFY(Form5->ComboBox2->isEnabled());
        QCOMPARE(Form5->ComboBox2->count(), 31);
    }

    void hintPictures() {
        TestEnvironment env(true);
        Program program;
        showForm(QStringLiteral("Person"));
        struct Hint {
            QWidget* field;
            QWidget* panel;
            QPoint at;
        };
        const Hint hints[] = {{Form5->Edit8, Form5->Panel4, {138, 364}},
                              {Form5->Edit14, Form5->Panel4, {138, 396}},
                              {Form5->Edit9, Form5->Panel5, {200, 364}},
                              {Form5->Edit13, Form5->Panel5, {200, 396}},
                              {Form5->Edit10, Form5->Panel6, {376, 361}}};
        for (const Hint& h : hints) {
            h.field->setFocus(Qt::TabFocusReason);
            QVERIFY2(h.panel->isVisible(), qPrintable(h.field->objectName()));
            QCOMPARE(h.panel->pos(), h.at);
            QCOMPARE(h.panel->size(), QSize(262, 112));
            Form5->Edit1->setFocus(Qt::TabFocusReason);
            QVERIFY(!h.panel->isVisible());
        }
        Form5->Edit14->setFocus(Qt::TabFocusReason);
        QTest::mouseClick(Form5->Image2, Qt::LeftButton);
        QVERIFY(!Form5->Panel4->isVisible());

        // A message box taking the window's focus leaves the hint in place.
        Form5->Edit9->setFocus(Qt::TabFocusReason);
        QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(Form5->Edit9, &away);
        QVERIFY(Form5->Panel5->isVisible());
        // The next showing starts in Edit1, without the hint.
        Form5->hide();
        showForm(QStringLiteral("Person"));
        QVERIFY(!Form5->Panel5->isVisible());
        QVERIFY(!Form5->Image2->pixmap().isNull());
    }

    void productTabsKeepTheirSlots() {
        TestEnvironment env(true);
        Program program;
        showForm(QStringLiteral("Person"));
        TForm5& f = *Form5;
        // Without tabs nothing is stored.
        f.Edit15->setText(QStringLiteral("K30"));
        QCOMPARE(f.PrinterType[0], QString());

        // Two products as adding a product leaves them.
        f.TabControl1->show();
        f.TabControl1->addTab(QStringLiteral("K30"));
        f.PrinterType[0] = QStringLiteral("K30");
        f.ProdCd[0] = QStringLiteral("EFF0000001");
        f.ChnlId[0] = QStringLiteral("12345678");
        f.PurchaseY[0] = QStringLiteral("2020");
        f.PurchaseM[0] = QStringLiteral("5");
        f.PurchaseD[0] = QStringLiteral("6");
        f.TabControl1->addTab(QStringLiteral("新增"));
        f.TabControl1->setCurrentIndex(1);

        // Typed and program changes alike go into the selected tab's slots.
        f.Edit15->clear();
        QTest::keyClicks(f.Edit15, QStringLiteral("K40"));
        QCOMPARE(f.PrinterType[1], QStringLiteral("K40"));
        QCOMPARE(f.TabControl1->tabText(1), QStringLiteral("K40"));
        f.Edit16->setText(QStringLiteral("eff2"));
        QTest::keyClicks(f.Edit16, QStringLiteral("x"));
        QCOMPARE(f.ProdCd[1], QStringLiteral("eff2X"));
        f.Edit17->setText(QStringLiteral("經銷"));
        QCOMPARE(f.ChnlId[1], QStringLiteral("經銷"));
        // Setting the text a field holds is no change.
        QSignalSpy changes(f.Edit18, &QLineEdit::textChanged);
        f.Edit18->setText(f.Edit18->text());
        QCOMPARE(changes.count(), 0);
        // Lists store the user's pick only.
        f.ComboBox10->setCurrentIndex(8);
        QCOMPARE(f.PurchaseM[1], QString());
        pick(f.ComboBox11, 9);
        QCOMPARE(f.PurchaseD[1], QStringLiteral("10"));

        // Picking the first tab brings its product back.
        QTest::mouseClick(f.TabControl1, Qt::LeftButton, {}, f.TabControl1->tabRect(0).center());
        QCOMPARE(f.TabControl1->currentIndex(), 0);
        QCOMPARE(f.Edit15->text(), QStringLiteral("K30"));
        QCOMPARE(f.Edit16->text(), QStringLiteral("EFF0000001"));
        QCOMPARE(f.Edit17->text(), QStringLiteral("12345678"));
        QCOMPARE(f.Edit18->text(), QStringLiteral("2020"));
        QCOMPARE(f.ComboBox10->currentText(), QStringLiteral("5"));
        QCOMPARE(f.ComboBox11->currentText(), QStringLiteral("6"));
        QCOMPARE(f.focusWidget(), f.Edit15);

        // A tab without month and day leaves both lists without selection.
        f.PurchaseD[1].clear();
        QTest::mouseClick(f.TabControl1, Qt::LeftButton, {}, f.TabControl1->tabRect(1).center());
        QCOMPARE(f.Edit15->text(), QStringLiteral("K40"));
        QCOMPARE(f.ComboBox10->currentIndex(), -1);
        QCOMPARE(f.ComboBox11->currentIndex(), -1);

        // Clear empties the selected tab's slots and caption, never the other tab's.
        QTest::mouseClick(f.TabControl1, Qt::LeftButton, {}, f.TabControl1->tabRect(0).center());
        f.Button1Click();
        QCOMPARE(f.PrinterType[0], QString());
        QCOMPARE(f.ProdCd[0], QString());
        QCOMPARE(f.ChnlId[0], QString());
        QCOMPARE(f.PurchaseY[0], QString());
        QCOMPARE(f.PurchaseM[0], QStringLiteral("5"));  // a list cleared by the program
        QCOMPARE(f.TabControl1->tabText(0), QString());
        QCOMPARE(f.PrinterType[1], QStringLiteral("K40"));
        QCOMPARE(f.TabControl1->tabText(1), QStringLiteral("K40"));

        // The next showing removes the tabs but keeps the slots.
        f.hide();
        showForm(QStringLiteral("Person"));
        QCOMPARE(f.TabControl1->count(), 0);
        QVERIFY(f.TabControl1->isVisible());
        QCOMPARE(f.PrinterType[1], QStringLiteral("K40"));
    }

    void clearEmptiesFieldsAndSelections() {
        TestEnvironment env(true);
        Program program;
        showForm(QStringLiteral("Enterprise"));
        QTest::keyClicks(Form5->Edit2, QStringLiteral("1980"));
        pick(Form5->ComboBox1, 0);
        pick(Form5->ComboBox8, QStringLiteral("新竹市"));
        pick(Form5->ComboBox5, 1);
        Form5->ComboBox12->setCurrentIndex(2);
        for (TBig5Edit* e : Form5->findChildren<TBig5Edit*>()) {
            if (e->text().isEmpty()) {
                e->setText(QStringLiteral("1"));
            }
        }
        QTest::mouseClick(Form5->Label39, Qt::LeftButton);
        for (TBig5Edit* e : Form5->findChildren<TBig5Edit*>()) {
            QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
        }
        for (QComboBox* list :
             {Form5->ComboBox1, Form5->ComboBox2, Form5->ComboBox3, Form5->ComboBox4,
              Form5->ComboBox5, Form5->ComboBox6, Form5->ComboBox7, Form5->ComboBox8,
              Form5->ComboBox9, Form5->ComboBox10, Form5->ComboBox11}) {
            QVERIFY2(list->currentIndex() == -1, qPrintable(list->objectName()));
            QCOMPARE(list->currentText(), QString());
        }
        QCOMPARE(Form5->ComboBox12->currentIndex(), 2);
        QVERIFY(Form5->ComboBox9->count() > 0);
        QVERIFY(Form5->ComboBox1->isEnabled() && Form5->ComboBox2->isEnabled());
        QCOMPARE(Form5->MemberType, QStringLiteral("Enterprise"));
    }

    void buttonsLightenAndRestoreTheirFace() {
        TestEnvironment env(true);
        Program program;
        showForm(QStringLiteral("Person"));
        const QImage person = Form5->ProEffectImage7->Picture();
        hover(Form5->Label40, true);
        QCOMPARE(Form5->ProEffectImage2->Picture(), TProEffectImage::lightened(person, 60));
        hover(Form5->Label40, false);
        QCOMPARE(Form5->ProEffectImage2->Picture(), person);

        Form5->hide();
        showForm(QStringLiteral("Enterprise"));
        hover(Form5->Label36, true);
        hover(Form5->Label36, false);
        QCOMPARE(Form5->ProEffectImage1->Picture(), Form5->ProEffectImage4->Picture());
        hover(Form5->Label38, true);
        QCOMPARE(Form5->ProEffectImage3->Picture(),
                 TProEffectImage::lightened(Form5->ProEffectImage6->Picture(), 60));
        hover(Form5->Label38, false);
        QCOMPARE(Form5->ProEffectImage3->Picture(), Form5->ProEffectImage6->Picture());

        // Cancel through its caption.
        QTest::mouseClick(Form5->Label41, Qt::LeftButton);
        QVERIFY(!Form5->isVisible() && Form1->isVisible());
    }

    void formParsesTheSettingsOncePerChange() {
        TestEnvironment env(true);
        Program program;
        Form5->hide();  // made when first reached; its making reads the files once
        const quint64 parsed = IniFile::parseCount();
        for (const QString& type : {QStringLiteral("Person"), QStringLiteral("Enterprise")}) {
            Form5->MemberType = type;
            Form5->show();
            Form5->hide();
        }
        Form5->ComboBox8->setCurrentIndex(1);
        Form5->ComboBox8Change();
        QVERIFY(!Form5->Edit5->text().isEmpty());
        QCOMPARE(IniFile::parseCount(), parsed);

        env.writeRegset(QStringLiteral("[OccupationList]\r\n教師=7\r\n"));
        Form5->show();
        QCOMPARE(IniFile::parseCount(), parsed + 1);
        QCOMPARE(Form5->ComboBox4->count(), 1);
        QCOMPARE(Form5->OccupationCodes, QStringList({"7"}));
    }
};

QTEST_MAIN(TestRegistrationForm)
#include "tst_registrationform.moc"
