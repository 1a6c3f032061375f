#include "TestEnvironment.h"
#include "desktop/Application.h"
#include "desktop/MessageBoxes.h"
#include "platform/Error.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

// A widget whose handler fails, as a window's handler does when the hive refuses a write.
class Failing : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw Error(QStringLiteral("Failed to set data for 'isRemind'"));
        }
        return QObject::event(e);
    }
};

}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void errorBoxAddsAPeriodOnlyAfterHigherCharacters() {
        QCOMPARE(msg::errorText(QStringLiteral("Cannot create directory.")),
                 QStringLiteral("Cannot create directory."));
        QCOMPARE(msg::errorText(QStringLiteral("Cannot open file /x/FileList.txt")),
                 QStringLiteral("Cannot open file /x/FileList.txt."));
        QCOMPARE(msg::errorText(QStringLiteral("'' is not a valid integer value")),
                 QStringLiteral("'' is not a valid integer value."));
        QCOMPARE(msg::errorText(QStringLiteral("資料錯誤")), QStringLiteral("資料錯誤."));
        QCOMPARE(msg::errorText(QStringLiteral("(x)")), QStringLiteral("(x)"));
        QCOMPARE(msg::errorText(QStringLiteral("a-")), QStringLiteral("a-"));
        QCOMPARE(msg::errorText(QString()), QString());
    }

    void handlerErrorsAreShownAndTheProgramGoesOn() {
        TestEnvironment env;
        Failing failing;
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(env.boxes.count(), 2);
        const auto& box = env.boxes.last();
        QCOMPARE(box.text, QStringLiteral("Failed to set data for 'isRemind'"));
        QCOMPARE(box.caption, QStringLiteral("tst_desktop"));
        QCOMPARE(box.icon, msg::Icon::Stop);
        QCOMPARE(box.buttons, msg::Buttons::Ok);
        msg::reportErrors([] { throw Error(QStringLiteral("Cannot create directory.")); });
        QCOMPARE(env.boxes.last().text, QStringLiteral("Cannot create directory."));
    }

    // The application as the program makes it: the toolkit's own words are Chinese under any
    // locale (the tests run under C), and the desktop knows it by the menu entry's id.
    void applicationSpeaksChineseAndIsKnownToTheDesktop() {
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("com.quillmarsh.orvexreg"));
        QVERIFY(!QApplication::windowIcon().isNull());
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
        QString words = box.button(QMessageBox::Ok)->text() + box.button(QMessageBox::Yes)->text() +
                        box.button(QMessageBox::No)->text();
        QLineEdit edit;
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        for (const QAction* action : menu->actions()) {
            words += action->text();
        }
        for (const char16_t* word : {u"確定", u"是", u"否", u"貼上"}) {
            QVERIFY2(words.contains(QString::fromUtf16(word)), qPrintable(words));
        }
    }

    // Only the buttons answer a question, Escape and the close box still close a message; the
    // box belongs to the window that raised it.
    void questionsAnswerOnlyByTheirButtons() {
        QWidget window;
        window.show();
        const std::pair<msg::Buttons, msg::Answer> cases[] = {
            {msg::Buttons::YesNo, msg::Answer::Yes},
            {msg::Buttons::YesNo, msg::Answer::No},
            {msg::Buttons::Ok, msg::Answer::Ok}};
        for (const auto& [buttons, answer] : cases) {
            QWidget* parent = nullptr;
            bool keptOpen = false;
            QTimer::singleShot(0, [&, answer = answer] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                parent = box->parentWidget();
                QTest::keyClick(box, Qt::Key_Escape);
                keptOpen = box->isVisible() && !box->close();
                QTest::keyClick(box, answer == msg::Answer::Yes ? Qt::Key_Y : Qt::Key_N);
            });
            QCOMPARE(msg::boxes().show(QStringLiteral("是否繼續註冊其他產品"),
                                       QStringLiteral("註冊"), msg::Icon::None, buttons),
                     answer);
            QCOMPARE(keptOpen, buttons == msg::Buttons::YesNo);
            QCOMPARE(parent, &window);
        }
    }
};

int main(int argc, char** argv) {
    Application app(argc, argv);
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_desktop.moc"
