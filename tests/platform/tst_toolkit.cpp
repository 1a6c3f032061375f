#include "platform/Toolkit.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

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
};

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
