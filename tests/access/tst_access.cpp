#include "Hover.h"
#include "TestEnvironment.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "core/Cp950.h"
#include "desktop/Lifetime.h"
#include "platform/LocalClock.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"
#include "reminders/TForm2.h"
#include "reminders/TForm3.h"
#include "tools/receiver/ReceiverServer.h"
#include "upload/TForm6.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

using Buttons = std::initializer_list<std::pair<THoverLabel*, QString>>;

QList<QAccessibleInterface*> descendants(QAccessibleInterface* iface) {
    QList<QAccessibleInterface*> all;
    for (int i = 0; i < iface->childCount(); ++i) {
        if (QAccessibleInterface* child = iface->child(i)) {
            all << child << descendants(child);
        }
    }
    return all;
}

void show(QWidget* window) {
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// Shows the window and walks it as a screen reader does: every control the keyboard reaches has a
// name and a role it can act on, nothing hidden claims to be showing, and each image button is a
// push button named by its caption.
void expectReadable(QWidget* window, Buttons buttons) {
    show(window);
    const QList<QAccessible::Role> roles = {QAccessible::Button,      QAccessible::EditableText,
                                            QAccessible::ComboBox,    QAccessible::CheckBox,
                                            QAccessible::PageTabList, QAccessible::StaticText};
    for (QAccessibleInterface* iface : descendants(QAccessible::queryAccessibleInterface(window))) {
        auto* widget = qobject_cast<QWidget*>(iface->object());
        if (widget == nullptr || QAccessible::queryAccessibleInterface(widget) != iface) {
            continue;
        }
        const QAccessible::State state = iface->state();
        QVERIFY2(widget->isVisible() || state.invisible, qPrintable(widget->objectName()));
        if (state.invisible || !state.focusable || state.disabled) {
            continue;
        }
        QVERIFY2(!iface->text(QAccessible::Name).isEmpty(), qPrintable(widget->objectName()));
        QVERIFY2(roles.contains(iface->role()), qPrintable(widget->objectName()));
    }
    for (const auto& [hot, caption] : buttons) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(hot);
        QCOMPARE(iface->role(), QAccessible::Button);
        QCOMPARE(iface->text(QAccessible::Name), caption);
        QVERIFY(iface->state().focusable);
        QVERIFY(iface->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
    }
}

QString name(QWidget* w, QAccessible::Text t = QAccessible::Name) {
    return QAccessible::queryAccessibleInterface(w)->text(t);
}

// A list is read by its selection; its name is on the label that labels it.
QString listName(QWidget* list) {
    const auto labels = QAccessible::queryAccessibleInterface(list)->relations(QAccessible::Label);
    return labels.size() == 1 ? labels.front().first->text(QAccessible::Name) : QString();
}

QWidget* focus() {
    return QApplication::focusWidget();
}

void press(Qt::Key key, int times = 1) {
    for (int i = 0; i < times; ++i) {
        QTest::keyClick(focus(), key);
    }
}

// Tab to the next field, then type or step through its list.
void next(const QString& text = QString()) {
    press(Qt::Key_Tab);
    QTest::keyClicks(focus(), text);
}

void nextPick(int downs) {
    press(Qt::Key_Tab);
    press(Qt::Key_Down, downs);
}

bool waitUntilActive(QWidget* window) {
    return QTest::qWaitFor([window] { return window->isVisible() && window->isActiveWindow(); },
                           5000);
}

}  // namespace

class TestAccess : public QObject {
    Q_OBJECT
private slots:
    void everyWindowIsReadable() {
        TestEnvironment env(true);
        createForms();
        expectReadable(Form1, {{Form1->Label1, QStringLiteral("線上註冊")},
                               {Form1->Label2, QStringLiteral("列印註冊")},
                               {Form1->Label3, QStringLiteral("下次提醒")},
                               {Form1->Label4, QStringLiteral("離開")}});
        QCOMPARE(name(Form1->CppWebBrowser1), QStringLiteral("ORVEX 產品註冊"));
        QVERIFY(QAccessible::queryAccessibleInterface(Form1->Button4)->state().invisible);

        expectReadable(Form4, {{Form4->Label2, QStringLiteral("個人用戶")},
                               {Form4->Label3, QStringLiteral("企業用戶")}});
        Form4->hide();

        const Buttons formButtons = {{Form5->Label36, QStringLiteral("清除")},
                                     {Form5->Label37, QStringLiteral("完成")},
                                     {Form5->Label38, QStringLiteral("取消")}};
        Form5->MemberType = QStringLiteral("Person");
        expectReadable(Form5, formButtons);
        QCOMPARE(name(Form5->Edit1), QStringLiteral("中文姓名"));
        QCOMPARE(name(Form5->Edit1, QAccessible::Description), QStringLiteral("必填"));
        QCOMPARE(name(Form5->Edit4), QStringLiteral("身份證字號"));
        QCOMPARE(name(Form5->Edit3), QStringLiteral("公司名稱"));
        QCOMPARE(name(Form5->Edit3, QAccessible::Description), QString());
        QCOMPARE(name(Form5->Edit2), QStringLiteral("生日（年）"));
        QCOMPARE(name(Form5->Edit2, QAccessible::Description),
                 QStringLiteral("必填。請以西元日期填寫  如：1970"));
        QCOMPARE(listName(Form5->ComboBox11), QStringLiteral("購買日期（日）"));
        QCOMPARE(listName(Form5->ComboBox3), QStringLiteral("性別"));
        QCOMPARE(name(Form5->Edit10), QStringLiteral("電話（分機）"));
        QVERIFY(!name(Form5->Edit10, QAccessible::Description).contains(QStringLiteral("必填")));
        Form5->hide();
        Form5->MemberType = QStringLiteral("Enterprise");
        expectReadable(Form5, formButtons);
        QCOMPARE(name(Form5->Edit4), QStringLiteral("公司統編"));
        QCOMPARE(name(Form5->Edit3, QAccessible::Description), QStringLiteral("必填"));
        Form5->hide();

        expectReadable(Form2, {{Form2->Label3, QStringLiteral("確定")},
                               {Form2->Label4, QStringLiteral("立即註冊")}});
        Form2->hide();
        expectReadable(Form3, {{Form3->Image2, QStringLiteral("離開")}});
        Form3->hide();

        // A failed upload offers all three buttons.
        show(Form6);
        Form6->Timer1->stop();
        Form6->postFailed = 1;
        Form6->CppWebBrowser1DocumentComplete();
        expectReadable(Form6, {{Form6->Label9, QStringLiteral("重新上傳")},
                               {Form6->Label8, QStringLiteral("改採列印註冊")},
                               {Form6->Label7, QStringLiteral("離開")}});
        QCOMPARE(focus(), Form6->Label9);
        destroyForms();
    }

    void registrationByKeyboardAlone() {
        TestEnvironment env(true);
        LocalClock::setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 30, 15)));
        ReceiverStore store(env.root() + QStringLiteral("/received.sqlite3"));
        ReceiverServer server(store, ReceiverMode::Ok);
        QVERIFY(server.listen(0));
        QFile regset(env.programFolder() + QStringLiteral("/regset.ini"));
        QVERIFY(regset.open(QIODevice::ReadOnly));
        env.writeRegset(cp950::decode(regset.readAll())
                            .replace(QRegularExpression(QStringLiteral("ASPURL=[^\r\n]*")),
                                     QStringLiteral("ASPURL=http://127.0.0.1:%1/orvex/register")
                                         .arg(server.port())));
        regset.close();
        createForms();
        Form6->Timer1->setInterval(10);
        show(Form1);
        QCOMPARE(focus(), Form1->Label1);

        // Tab shows the focus on the face, one step light even under the pointer; leaving
        // brings back the plain face.
        const QImage plain = Form1->ProEffectImage6->Picture();
        const QImage lit = TProEffectImage::lightened(plain, 80);
        press(Qt::Key_Tab);
        QCOMPARE(focus(), Form1->Label2);
        QCOMPARE(Form1->ProEffectImage2->Picture(), lit);
        hover(Form1->Label6, true);
        hover(Form1->Label6, false);
        QCOMPARE(Form1->ProEffectImage2->Picture(), lit);
        press(Qt::Key_Backtab);
        QCOMPARE(Form1->ProEffectImage2->Picture(), plain);
        QCOMPARE(Form1->ProEffectImage1->Picture(), lit);

        press(Qt::Key_Return);
        QVERIFY(waitUntilActive(Form4));
        QVERIFY(!Form1->isVisible());
        QCOMPARE(Form5->RegMode, QStringLiteral("online"));
        // Escape is the member-type window's close box.
        QCOMPARE(focus(), Form4->Label2);
        press(Qt::Key_Escape);
        QVERIFY(!Form4->isVisible());
        QVERIFY(waitUntilActive(Form1));
        press(Qt::Key_Space);
        QVERIFY(waitUntilActive(Form4));
        press(Qt::Key_Space);
        QVERIFY(waitUntilActive(Form5));
        QCOMPARE(Form5->MemberType, QStringLiteral("Person"));

        QCOMPARE(focus(), Form5->Edit1);
        QTest::keyClicks(focus(), QStringLiteral("Wang"));
        next();        // company name
        next("1970");  // birth year opens the month list
        nextPick(3);   // month 3
        nextPick(7);   // day 7
        nextPick(1);   // 男
        next("A123456789");
        next();       // education
        nextPick(1);  // occupation
        nextPick(1);  // position
        nextPick(1);  // 臺北市, its first district and postal code
        QCOMPARE(Form5->ComboBox8->currentText(), QStringLiteral("臺北市"));
        next();  // district
        next();  // postal code
        next("No. 1, Zhongxiao E. Rd.");
        next("ming@example.com.tw");
        next("02");
        next("23456789");
        press(Qt::Key_Tab, 6);  // extension, fax, mobile, model
        QCOMPARE(focus(), Form5->Edit15);
        next("EFF1234567");
        press(Qt::Key_Tab, 4);  // dealer and today's purchase date
        QCOMPARE(focus(), Form5->ComboBox11);
        press(Qt::Key_Tab, 2);
        QCOMPARE(focus(), Form5->Label37);
        press(Qt::Key_Return);

        QCOMPARE(env.boxes.texts(), QStringList{QStringLiteral("是否繼續註冊其他產品")});
        QVERIFY(QTest::qWaitFor([] { return Form6->Panel4->isVisible(); }, 15000));
        QCOMPARE(QFileInfo(Form6->CppWebBrowser2->LocationURL()).fileName(),
                 QStringLiteral("upsucss.htm"));
        const QList<RecordedPost> posts = store.all();
        QCOMPARE(posts.size(), 1);
        QVERIFY(posts.front().body.contains("A123456789"));
        QVERIFY(posts.front().body.contains("EFF1234567"));
        QCOMPARE(focus(), Form6->Label7);
        press(Qt::Key_Return);
        QVERIFY(lifetime::endRequested());
        destroyForms();
        lifetime::reset();
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
