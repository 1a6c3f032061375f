#include "card/RegCard.h"

#include <QTest>

namespace {

Registration person() {
    Registration card;
    card.person = true;
    card.record.RecName = QStringLiteral("王小明");
    card.record.RecCompName = QStringLiteral("文山資訊");
    card.record.RecBirthY = QStringLiteral("1970");
    card.record.RecBirthM = QStringLiteral("3");
    card.record.RecBirthD = QStringLiteral("7");
    card.record.RecPersonalId = QStringLiteral("A123456789");
    card.record.RecCompanyId = QStringLiteral("12345675");
    card.sex = QStringLiteral("男");
    card.education = QStringLiteral("大學");
    card.occupation = QStringLiteral("資訊業");
    card.position = QStringLiteral("工程師");
    card.companyScale = QStringLiteral("50人以下");
    card.companyCapital = QStringLiteral("500萬元以下");
    card.record.RecArea1 = QStringLiteral("臺北市");
    card.record.RecArea2 = QStringLiteral("內湖區");
    card.record.RecZip = QStringLiteral("114");
    card.record.RecAddr = QStringLiteral("瑞光路588號");
    card.record.RecEAddr = QStringLiteral("ming@example.com.tw");
    card.record.RecPrePhone = QStringLiteral("02");
    card.record.RecPhone = QStringLiteral("26587390");
    card.record.RecExtPhone = QString();
    card.record.RecPreMPhone = QStringLiteral("0912");
    card.record.RecMPhone = QStringLiteral("345678");
    card.products = {{QStringLiteral("2005"), QStringLiteral("3"), QStringLiteral("7"),
                      QStringLiteral("Vantra K20"), QStringLiteral("EFF0001"),
                      QStringLiteral("光華商場")}};
    return card;
}

QList<ProductEntry> numberedProducts(int n) {
    QList<ProductEntry> products;
    for (int i = 1; i <= n; ++i) {
        products.append({QStringLiteral("2005"), QStringLiteral("3"), QString::number(i),
                         QStringLiteral("K%1").arg(i), QStringLiteral("SN%1").arg(i),
                         QStringLiteral("D%1").arg(i)});
    }
    return products;
}

// The models named on a page, in order.
QStringList models(const QStringList& lines) {
    QStringList found;
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("機型："))) {
            found << line.mid(3);
        }
    }
    return found;
}

const QString blanks12 = QString(12, u' ');

// A body of so many lines, wrapping every `width` characters.
card::BodyMeasure measure(int width, int lines) {
    return {[width](const QString& text) {
                QStringList parts;
                for (qsizetype at = 0; at == 0 || at < text.size(); at += width) {
                    parts << text.mid(at, width);
                }
                return parts;
            },
            lines};
}

// The pages when every line fits: five products first, then eight a page.
QList<QStringList> plannedPages(const Registration& card) {
    return card::bodyPages(card, measure(1000, 1000));
}
QStringList bodyLines(const Registration& card, int page) {
    return plannedPages(card).value(page - 1);
}

}  // namespace

class TestCardLines : public QObject {
    Q_OBJECT
private slots:
    void personLines() {
        const QStringList expected = {
            QStringLiteral("◎會員別：個人會員"),
            QStringLiteral("◎中文姓名：王小明"),
            QStringLiteral("◎公司名稱:文山資訊"),
            QStringLiteral("◎生日：1970年3月7日"),
            QStringLiteral("◎性別：男"),
            QStringLiteral("◎教育：大學"),
            QStringLiteral("◎行業：資訊業"),
            QStringLiteral("◎職稱：工程師"),
            QStringLiteral("◎身份證字號：A123456789"),
            QStringLiteral("◎郵遞區號：114"),
            QStringLiteral("◎縣市：臺北市"),
            QStringLiteral("◎區域：內湖區"),
            QStringLiteral("◎地址：瑞光路588號"),
            QStringLiteral("◎電子郵件：ming@example.com.tw"),
            QStringLiteral("◎電話：02-26587390-"),
            QStringLiteral("◎傳真：-"),
            QStringLiteral("◎手機：0912-345678"),
            blanks12,
            blanks12,
            QStringLiteral("購買日期：2005年3月7日"),
            QStringLiteral("機型：Vantra K20"),
            QStringLiteral("產品序號：EFF0001"),
            QStringLiteral("經銷商統編或名稱：光華商場"),
        };
        QCOMPARE(bodyLines(person(), 1), expected);
    }

    void enterpriseLines() {
        Registration card = person();
        card.person = false;
        card.record.RecPreFax = QStringLiteral("02");
        card.record.RecFax = QStringLiteral("26587391");
        const QStringList lines = bodyLines(card, 1);
        QCOMPARE(lines.size(), 25);
        QCOMPARE(lines[0], QStringLiteral("◎會員別：企業會員"));
        // Birth and education stay, with whatever the form holds.
        QCOMPARE(lines.mid(1, 7), bodyLines(person(), 1).mid(1, 7));
        QCOMPARE(lines.mid(8, 4), (QStringList{QStringLiteral("◎公司統編：12345675"),
                                               QStringLiteral("◎公司規模：50人以下"),
                                               QStringLiteral("◎公司資本額：500萬元以下"),
                                               QStringLiteral("◎郵遞區號：114")}));
        QVERIFY(!lines.join(u'\n').contains(QStringLiteral("身份證字號")));
        QCOMPARE(lines[17], QStringLiteral("◎傳真：02-26587391"));
    }

    void productsSpreadOverPages_data() {
        QTest::addColumn<int>("products");
        QTest::addColumn<QList<QStringList>>("pages");
        const auto k = [](int from, int to) {
            QStringList list;
            for (int i = from; i <= to; ++i) {
                list << QStringLiteral("K%1").arg(i);
            }
            return list;
        };
        QTest::newRow("1") << 1 << QList<QStringList>{k(1, 1)};
        QTest::newRow("5") << 5 << QList<QStringList>{k(1, 5)};
        QTest::newRow("6") << 6 << QList<QStringList>{k(1, 5), k(6, 6)};
        QTest::newRow("13") << 13 << QList<QStringList>{k(1, 5), k(6, 13)};
        QTest::newRow("14") << 14 << QList<QStringList>{k(1, 5), k(6, 13), k(14, 14)};
        QTest::newRow("100") << 100
                             << QList<QStringList>{k(1, 5),   k(6, 13),  k(14, 21), k(22, 29),
                                                   k(30, 37), k(38, 45), k(46, 53), k(54, 61),
                                                   k(62, 69), k(70, 77), k(78, 85), k(86, 93),
                                                   k(94, 100)};
    }
    void productsSpreadOverPages() {
        QFETCH(int, products);
        QFETCH(QList<QStringList>, pages);
        Registration card = person();
        card.products = numberedProducts(products);
        QCOMPARE(plannedPages(card).size(), pages.size());
        for (int page = 1; page <= pages.size(); ++page) {
            QCOMPARE(models(bodyLines(card, page)), pages[page - 1]);
        }
    }

    void emptyProductListStillGivesOnePage() {
        Registration card = person();
        card.products.clear();
        QCOMPARE(plannedPages(card).size(), 1);
        QCOMPARE(bodyLines(card, 1).size(), 18);
    }

    void continuationPageStartsWithNamePhoneAndMobile() {
        Registration card = person();
        card.products = numberedProducts(14);
        const QStringList lines = bodyLines(card, 3);
        QCOMPARE(lines,
                 (QStringList{
                     QStringLiteral("◎中文姓名：王小明"), QStringLiteral("◎電話：02-26587390-"),
                     QStringLiteral("◎手機：0912-345678"), blanks12,
                     QStringLiteral("購買日期：2005年3月14日"), QStringLiteral("機型：K14"),
                     QStringLiteral("產品序號：SN14"), QStringLiteral("經銷商統編或名稱：D14")}));
        QCOMPARE(bodyLines(card, 2).size(), 3 + 8 * 5);
    }

    // A model longer than a page runs on across pages, nothing lost; a further page's heading
    // keeps to three lines.
    void textLongerThanAPageRunsOn() {
        const card::BodyMeasure m = measure(20, 45);
        Registration card = person();
        card.record.RecName = QString(200, u'王');
        card.products = numberedProducts(3);
        card.products[1].PrinterType = QString(2000, u'K');
        const QList<QStringList> pages = card::bodyPages(card, m);
        QString all;
        for (qsizetype i = 0; i < pages.size(); ++i) {
            qsizetype lines = 0;
            for (const QString& line : pages[i]) {
                lines += m.wrap(line).size();
            }
            QVERIFY(lines <= 45);
            all += pages[i].mid(i == 0 ? 0 : 3).join(QString());  // after the heading
        }
        QCOMPARE(all.count(QStringLiteral("機型：") + card.products[1].PrinterType), 1);
        for (const char* serial : {"SN1", "SN2", "SN3"}) {
            QCOMPARE(all.count(QStringLiteral("產品序號：") + serial), 1);
        }
        QVERIFY(pages[0].contains(QStringLiteral("◎中文姓名：") + card.record.RecName));
        const QString heading = pages[1].first();
        QVERIFY(heading.endsWith(u'…'));
        QCOMPARE(m.wrap(heading).size(), card::HeadingLineLimit);
        QVERIFY(card.record.RecName.startsWith(heading.mid(6).chopped(1)));
    }

    void pageNumbers() {
        QCOMPARE(card::pageNumber(1), QStringLiteral("第 1 頁"));
        QCOMPARE(card::pageNumber(13), QStringLiteral("第 13 頁"));
    }

    void datesLine() {
        QCOMPARE(card::datesLine(QStringLiteral("ORVEX產品註冊"), QDate(2005, 3, 7),
                                 QDate(2006, 12, 25)),
                 QStringLiteral("ORVEX產品註冊 ， 第一次執行日期2005/3/7 ， 列印日期2006/12/25"));
        QCOMPARE(card::datesLine(QString(), QDate(2005, 3, 7), QDate(2005, 3, 7)),
                 QStringLiteral(" ， 第一次執行日期2005/3/7 ， 列印日期2005/3/7"));
        QCOMPARE(card::datesLine(QStringLiteral("T"), QDate(), QDate(2005, 3, 7)),
                 QStringLiteral("T ， 第一次執行日期 ， 列印日期2005/3/7"));
    }

    void headerLinesAreIndented() {
        QCOMPARE(card::headerLines({QStringLiteral("客服專線"), QString()}),
                 (QStringList{QStringLiteral("      客服專線"), QStringLiteral("      ")}));
    }
};

QTEST_GUILESS_MAIN(TestCardLines)
#include "tst_cardlines.moc"
