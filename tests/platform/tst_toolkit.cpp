#include "platform/MessageBoxes.h"
#include "platform/Toolkit.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestToolkit : public QObject {
    Q_OBJECT
private slots:
    // Under any locale (the tests run under C) the toolkit's own words are Chinese.
    void toolkitTextsAreChinese() {
        QVERIFY(toolkit::installChineseTexts());
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
        const std::pair<QMessageBox::StandardButton, QString> buttons[] = {
            {QMessageBox::Ok, QStringLiteral("確定")},
            {QMessageBox::Yes, QStringLiteral("是")},
            {QMessageBox::No, QStringLiteral("否")},
        };
        for (const auto& [button, text] : buttons) {
            QVERIFY2(box.button(button)->text().startsWith(text),
                     qPrintable(box.button(button)->text()));
        }
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList actions;
        for (const QAction* action : menu->actions()) {
            actions << action->text();
        }
        QVERIFY2(!actions.filter(QStringLiteral("貼上")).isEmpty(), qPrintable(actions.join(u'|')));
    }

    // A question is answered by its buttons only; Escape and the close box do nothing there,
    // while they still close a message. The box belongs to the window that raised it.
    void questionsAnswerOnlyByTheirButtons() {
        QWidget window;
        window.setWindowTitle(QStringLiteral("個人會員註冊"));
        window.show();
        const struct {
            msg::Buttons buttons;
            QMessageBox::StandardButton pressed;  // NoButton: Escape closes the box
            msg::Answer answer;
        } cases[] = {
            {msg::Buttons::YesNo, QMessageBox::Yes, msg::Answer::Yes},
            {msg::Buttons::YesNo, QMessageBox::No, msg::Answer::No},
            {msg::Buttons::Ok, QMessageBox::NoButton, msg::Answer::Ok},
        };
        for (const auto& c : cases) {
            QWidget* parent = nullptr;
            bool keptOpen = false;
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                parent = box->parentWidget();
                QTest::keyClick(box, Qt::Key_Escape);
                keptOpen = box->isVisible() && !box->close() && box->isVisible();
                if (box->isVisible()) {
                    box->button(c.pressed == QMessageBox::NoButton ? QMessageBox::Ok : c.pressed)
                        ->click();
                }
            });
            const msg::Answer answer =
                msg::boxes().show(QStringLiteral("是否繼續註冊其他產品"),
                                  QStringLiteral("註冊其他ORVEX產品"), msg::Icon::None, c.buttons);
            QCOMPARE(answer, c.answer);
            QCOMPARE(keptOpen, c.pressed != QMessageBox::NoButton);
            QCOMPARE(parent, &window);
        }
    }
};

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
