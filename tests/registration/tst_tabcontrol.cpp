#include "registration/TTabControl.h"

#include <QImage>
#include <QTest>

// The product tabs keep the look of a plain tab bar with the same style sheet, however many
// tabs there are, wherever the strip is scrolled and whatever the tabs were renamed to.
class TestTabControl : public QObject {
    Q_OBJECT
private slots:
    void looksLikeAPlainStyledTabBar() {
        QWidget window;
        auto* tabs = new TTabControl(&window);
        auto* plain = new QTabBar(&window);
        plain->setDrawBase(false);
        plain->setExpanding(false);
        plain->setStyleSheet(tabs->styleSheet());
        tabs->setGeometry(0, 0, 374, 25);
        plain->setGeometry(0, 40, 374, 25);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto both = [&](auto change) {
            change(static_cast<QTabBar*>(tabs));
            change(plain);
            for (int i = 0; i < tabs->count(); ++i) {
                QCOMPARE(tabs->tabRect(i), plain->tabRect(i));
            }
            QCOMPARE(tabs->grab().toImage(), plain->grab().toImage());
        };

        for (int i = 0; i < 100; ++i) {
            both([i](QTabBar* t) { t->addTab(i % 3 ? QStringLiteral("K%1").arg(i) : "新增"); });
        }
        for (const int selected : {99, 0, 1, 50, 98}) {
            both([selected](QTabBar* t) { t->setCurrentIndex(selected); });
        }
        // A renamed tab is measured by its new text.
        both([](QTabBar* t) {
            t->setTabText(50, QStringLiteral("ORVEX Vantra K20 Series"));
            t->setTabText(49, QString());
            t->setTabText(51, QStringLiteral("一個很長很長的機型名稱"));
        });
        both([](QTabBar* t) { t->setCurrentIndex(49); });
        both([](QTabBar* t) {
            QFont bigger = t->font();
            bigger.setPointSize(bigger.pointSize() + 4);
            t->setFont(bigger);
        });
    }
};

QTEST_MAIN(TestTabControl)
#include "tst_tabcontrol.moc"
