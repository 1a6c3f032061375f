#include "TestEnvironment.h"
#include "card/RegCard.h"
#include "card/TForm7.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "desktop/PrintEngine.h"
#include "platform/Error.h"
#include "platform/LocalClock.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

Q_DECLARE_METATYPE(Registration)

namespace {

// Files of this process may grow to `bytes` at most while it lives (0: no limit); a write
// beyond fails with EFBIG, as on a disk that fills up half-way.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        if (bytes > 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{bytes, saved_.rlim_max};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

constexpr double kPointsPerMm = 72.0 / 25.4;

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    }
    return process.readAllStandardOutput();
}

struct Word {
    QString text;
    QRectF mm;  // on the sheet
};

// A printed card, read back through poppler's tools.
struct Pdf {
    QString path;

    int pages() const {
        const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {path}));
        const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    }
    QString info() const { return QString::fromUtf8(run(QStringLiteral("pdfinfo"), {path})); }

    // The lines of text of a page, trimmed, blank ones left out.
    QStringList lines(int page) const {
        const QString text = QString::fromUtf8(
            run(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                 QStringLiteral("-l"), QString::number(page), path, QStringLiteral("-")}));
        QStringList lines;
        for (const QString& line : text.split(u'\n')) {
            if (!line.trimmed().isEmpty()) {
                lines << line.trimmed();
            }
        }
        return lines;
    }

    // The words of each page.
    QList<QList<Word>> words() const {
        const QString html = QString::fromUtf8(
            run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")}));
        static const QRegularExpression word(QStringLiteral(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">"
            "([^<]*)</word>"));
        QList<QList<Word>> pages;
        for (const QString& page : html.split(QStringLiteral("<page ")).mid(1)) {
            pages.append(QList<Word>());
            for (const auto& m : word.globalMatch(page)) {
                const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
                const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
                pages.last().append(
                    {m.captured(5), QRectF(topLeft / kPointsPerMm, bottomRight / kPointsPerMm)});
            }
        }
        return pages;
    }

    QImage image(int page, int dpi) const {
        const QString prefix = path + QStringLiteral("-page");
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
             QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), QStringLiteral("-singlefile"), path, prefix});
        return QImage(prefix + QStringLiteral(".png"));
    }
};

// The first word that begins with the text, or that is the text.
Word find(const QList<Word>& words, const QString& start, bool whole = false) {
    for (const Word& word : words) {
        if (whole ? word.text == start : word.text.startsWith(start)) {
            return word;
        }
    }
    return {};
}

// Texts of the body below the dates line, page number left out.
QStringList body(const QStringList& lines) {
    const qsizetype dates = lines.indexOf(QRegularExpression(QStringLiteral(".*列印日期.*")));
    return lines.mid(dates + 1, lines.size() - dates - 2);
}

QStringList models(const QStringList& lines) {
    QStringList found;
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("機型："))) {
            found << line.mid(3);
        }
    }
    return found;
}

Registration person(int products = 1) {
    Registration card;
    card.person = true;
    card.record.RecName = QStringLiteral("王小明");
    card.record.RecCompName = QString();
    card.record.RecBirthY = QStringLiteral("1970");
    card.record.RecBirthM = QStringLiteral("3");
    card.record.RecBirthD = QStringLiteral("7");
    card.record.RecPersonalId = QStringLiteral("A123456789");
    card.sex = QStringLiteral("男");
    card.education = QStringLiteral("大學");
    card.occupation = QStringLiteral("資訊業");
    card.position = QStringLiteral("工程師");
    card.record.RecArea1 = QStringLiteral("臺北市");
    card.record.RecArea2 = QStringLiteral("文山區");
    card.record.RecZip = QStringLiteral("116");
    card.record.RecAddr = QStringLiteral("木柵路一段17巷1號");
    card.record.RecEAddr = QStringLiteral("ming@example.com.tw");
    card.record.RecPrePhone = QStringLiteral("02");
    card.record.RecPhone = QStringLiteral("29393091");
    card.record.RecExtPhone = QStringLiteral("88");
    card.record.RecPreMPhone = QStringLiteral("0912");
    card.record.RecMPhone = QStringLiteral("345678");
    for (int i = 1; i <= products; ++i) {
        card.products.append({QStringLiteral("2005"), QStringLiteral("3"), QString::number(i),
                              QStringLiteral("K%1").arg(i), QStringLiteral("EFF%1").arg(i),
                              QStringLiteral("小林%1").arg(i)});
    }
    return card;
}

Registration enterprise() {
    Registration card = person();
    card.person = false;
    card.record.RecCompName = QStringLiteral("文山資訊股份有限公司");
    card.record.RecCompanyId = QStringLiteral("12345675");
    card.companyScale = QStringLiteral("50人以下");
    card.companyCapital = QStringLiteral("500萬元以下");
    card.education = QString();
    return card;
}

// What a field without a limit of its own takes: the line edit's 32767 characters.
constexpr int kLongest = 32767;

// Entries of `length` characters in every field without a limit; the others at their limits.
Registration longEntries(bool isPerson, int products, int length) {
    Registration card = isPerson ? person() : enterprise();
    card.record.RecName = card.record.RecCompName = card.record.RecAddr = QString(length, u'鑫');
    card.record.RecZip = card.record.RecExtPhone = QString(length, u'8');
    card.record.RecEAddr = QString(35, u'm');
    card.products.clear();
    for (int i = 1; i <= products; ++i) {
        card.products.append({QStringLiteral("2005"), QStringLiteral("12"), QStringLiteral("31"),
                              QString(length, u'W'),
                              QStringLiteral("W%1").arg(i, 9, 10, QChar(u'0')),
                              QStringLiteral("鑫鑫鑫鑫")});
    }
    return card;
}

const QStringList kHeader = {QStringLiteral("請將本卡寄回"), QStringLiteral("客服專線"),
                             QStringLiteral("傳真號碼"), QStringLiteral("服務時間"),
                             QStringLiteral("謝謝")};

}  // namespace

class TestCard : public QObject {
    Q_OBJECT
private slots:
    void init() {
        env_ = std::make_unique<TestEnvironment>(true);
        env_->writeRegset(QStringLiteral("[version]\nTitle=ORVEX產品註冊\n[regprinttitle]\n") +
                          QStringLiteral("line1=%1\nline2=%2\nline3=%3\nline4=%4\nline5=%5\n")
                              .arg(kHeader[0], kHeader[1], kHeader[2], kHeader[3], kHeader[4]));
        Registry reg;
        reg.OpenKey(keys::StateKey, true);
        reg.WriteString(keys::FirstRunYear, QStringLiteral("2005"));
        reg.WriteString(keys::FirstRunMonth, QStringLiteral("3"));
        reg.WriteString(keys::FirstRunDay, QStringLiteral("7"));
        LocalClock::setNow(QDateTime(QDate(2005, 3, 12), QTime(10, 0)));
        qunsetenv("ORVEXREG_PRINT_PDF");
        printing::reset();
        // A dialog in a test would wait for ever.
        printing::setDialog([](QPrinter&, QWidget*) {
            qWarning("print dialog shown");
            return false;
        });
    }
    void cleanup() {
        printing::reset();
        qunsetenv("ORVEXREG_PRINT_PDF");
        env_.reset();
    }

    void personCard() {
        const Pdf pdf = print(person());
        QCOMPARE(pdf.pages(), 1);
        QVERIFY(pdf.info().contains(QStringLiteral("(A4)")));
        const QStringList expected = {
            QStringLiteral("◎會員別：個人會員"),
            QStringLiteral("◎中文姓名：王小明"),
            QStringLiteral("◎公司名稱:"),
            QStringLiteral("◎生日：1970年3月7日"),
            QStringLiteral("◎性別：男"),
            QStringLiteral("◎教育：大學"),
            QStringLiteral("◎行業：資訊業"),
            QStringLiteral("◎職稱：工程師"),
            QStringLiteral("◎身份證字號：A123456789"),
            QStringLiteral("◎郵遞區號：116"),
            QStringLiteral("◎縣市：臺北市"),
            QStringLiteral("◎區域：文山區"),
            QStringLiteral("◎地址：木柵路一段17巷1號"),
            QStringLiteral("◎電子郵件：ming@example.com.tw"),
            QStringLiteral("◎電話：02-29393091-88"),
            QStringLiteral("◎傳真：-"),
            QStringLiteral("◎手機：0912-345678"),
            QStringLiteral("購買日期：2005年3月1日"),
            QStringLiteral("機型：K1"),
            QStringLiteral("產品序號：EFF1"),
            QStringLiteral("經銷商統編或名稱：小林1"),
        };
        const QStringList lines = pdf.lines(1);
        QCOMPARE(body(lines), expected);
        QCOMPARE(lines.last(), QStringLiteral("第 1 頁"));
    }

    void enterpriseCard() {
        const QStringList lines = body(print(enterprise()).lines(1));
        QCOMPARE(lines.mid(0, 3), (QStringList{QStringLiteral("◎會員別：企業會員"),
                                               QStringLiteral("◎中文姓名：王小明"),
                                               QStringLiteral("◎公司名稱:文山資訊股份有限公司")}));
        QCOMPARE(
            lines.mid(5, 6),
            (QStringList{QStringLiteral("◎教育："), QStringLiteral("◎行業：資訊業"),
                         QStringLiteral("◎職稱：工程師"), QStringLiteral("◎公司統編：12345675"),
                         QStringLiteral("◎公司規模：50人以下"),
                         QStringLiteral("◎公司資本額：500萬元以下")}));
        QCOMPARE(lines[11], QStringLiteral("◎郵遞區號：116"));
        QVERIFY(!lines.join(u'\n').contains(QStringLiteral("身份證字號")));
    }

    void pagesFollowTheProducts_data() {
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
    }
    void pagesFollowTheProducts() {
        QFETCH(int, products);
        QFETCH(QList<QStringList>, pages);
        const Pdf pdf = print(person(products));
        QCOMPARE(pdf.pages(), pages.size());
        for (int page = 1; page <= pages.size(); ++page) {
            const QStringList lines = pdf.lines(page);
            // Title, header box and dates on every page.
            QCOMPARE(QString(lines.first()).remove(u' '), QStringLiteral("產品註冊卡"));
            QCOMPARE(lines.mid(1, 5), kHeader);
            QCOMPARE(
                lines[6].simplified(),
                QStringLiteral("ORVEX產品註冊 ， 第一次執行日期2005/3/7 ， 列印日期2005/3/12"));
            QCOMPARE(models(lines), pages[page - 1]);
            QCOMPARE(lines.last(), QStringLiteral("第 %1 頁").arg(page));
            if (page > 1) {
                QCOMPARE(body(lines).mid(0, 4),
                         (QStringList{
                             QStringLiteral("◎中文姓名：王小明"),
                             QStringLiteral("◎電話：02-29393091-88"),
                             QStringLiteral("◎手機：0912-345678"),
                             QStringLiteral("購買日期：2005年3月%1日").arg(6 + 8 * (page - 2))}));
            }
        }
    }

    // Where the elements lie, from poppler's word boxes (to 1 mm) and from the pixels of the
    // grey header box.
    void elementsAtTheirPlaces() {
        const Pdf pdf = print(person(14));
        for (int page : {1, 3}) {
            const QList<Word> words = pdf.words()[page - 1];
            const auto near = [](const QPointF& at, double left, double top) {
                return qAbs(at.x() - left) <= 1.0 && qAbs(at.y() - top) <= 1.0;
            };
            // The spaced title, centred on the page whatever the face's spaces measure.
            const QRectF title = find(words, QStringLiteral("產"), true).mm |
                                 find(words, QStringLiteral("卡"), true).mm;
            QVERIFY2(qAbs(title.top() - 35.98) <= 1.0, "title");
            QVERIFY2(qAbs(title.center().x() - report::SheetWidth / 2) <= 1.0,
                     qPrintable(QStringLiteral("title centred at %1 mm").arg(title.center().x())));
            QVERIFY2(near(find(words, QStringLiteral("ORVEX產品註冊")).mm.topLeft(), 35.98, 82.55),
                     "dates");
            const QString first =
                page == 1 ? QStringLiteral("◎會員別") : QStringLiteral("◎中文姓名");
            QVERIFY2(near(find(words, first).mm.topLeft(), 40.22, 93.13), "body");
            QVERIFY2(near(find(words, QStringLiteral("第"), true).mm.topLeft(), 91.02, 287.87),
                     "page number");
            const Word header = find(words, kHeader[0]);
            QVERIFY2(qAbs(header.mm.top() - 50.80) <= 1.0, "header text");
            QVERIFY2(header.mm.left() > 42.33 && header.mm.right() < 42.33 + 125.15, "header text");

            // The silver box: rows and columns that are mostly silver between the logo and
            // the dates line (the title's anti-aliased edges hold a few such pixels too).
            constexpr int dpi = 100;
            const QImage image = pdf.image(page, dpi);
            const int top = 35 * dpi / 25.4;
            const int bottom = 80 * dpi / 25.4;
            QList<int> inRow(image.height()), inColumn(image.width());
            for (int y = top; y < bottom; ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (qAbs(c.red() - 192) < 6 && c.red() == c.green() && c.red() == c.blue()) {
                        ++inRow[y];
                        ++inColumn[x];
                    }
                }
            }
            QRect box;
            for (int y = top; y < bottom; ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (inRow[y] > image.width() / 4 && inColumn[x] > (bottom - top) / 4) {
                        box |= QRect(x, y, 1, 1);
                    }
                }
            }
            const QRectF mm(box.x() * 25.4 / dpi, box.y() * 25.4 / dpi, (box.width()) * 25.4 / dpi,
                            (box.height()) * 25.4 / dpi);
            QVERIFY2(qAbs(mm.left() - 42.33) <= 1.0 && qAbs(mm.top() - 50.80) <= 1.0 &&
                         qAbs(mm.width() - 125.15) <= 1.0 && qAbs(mm.height() - 25.66) <= 1.0,
                     qPrintable(QStringLiteral("grey box at %1,%2 %3x%4 mm")
                                    .arg(mm.left())
                                    .arg(mm.top())
                                    .arg(mm.width())
                                    .arg(mm.height())));
        }
    }

    void bodyGrowsDownwards() {
        QImage sheet(827, 1170, QImage::Format_RGB32);  // A4 at 100 dpi
        sheet.setDotsPerMeterX(3937);
        sheet.setDotsPerMeterY(3937);
        QPainter painter(&sheet);
        painter.scale(100 / 25.4, 100 / 25.4);
        TForm7 report;
        report.QRMemo2.Lines = QStringList(10, QStringLiteral("◎"));
        QCOMPARE(report.QRMemo2.placed(painter), QRectF(40.22, 93.13, 159.01, 190.76));
        report.QRMemo2.Lines = QStringList(60, QStringLiteral("◎"));
        const qreal sixty = report.QRMemo2.placed(painter).height();
        QVERIFY(sixty > 190.76);
        // A line too long for the width wraps onto a second one.
        report.QRMemo2.Lines.append(QString(60, u'文'));
        QVERIFY(report.QRMemo2.placed(painter).height() > sixty * 61.5 / 60);
        QCOMPARE(report.QRMemo2.placed(painter).width(), 159.01);
    }

    void longEntriesStayInTheBody_data() {
        QTest::addColumn<Registration>("card");
        QTest::addColumn<QList<int>>("productsPerPage");  // checked when given
        // Several lines each; the longest possible run over many pages and take long to print,
        // so they go once.
        for (const int products : {5, 6, 13, 14}) {
            QTest::addRow("person, %d", products)
                << longEntries(true, products, 250) << QList<int>();
            QTest::addRow("enterprise, %d", products)
                << longEntries(false, products, 250) << QList<int>();
        }
        QTest::newRow("longest") << longEntries(false, 6, kLongest) << QList<int>();
        Registration card = enterprise();
        card.products = person(5).products;
        card.record.RecCompName = QString(60, u'鑫');
        card.record.RecAddr = QString(120, u'鑫');
        QTest::newRow("long address") << card << QList<int>{4, 1};
    }
    void longEntriesStayInTheBody() {
        QFETCH(Registration, card);
        QFETCH(QList<int>, productsPerPage);
        const QList<QList<Word>> pages = print(card).words();
        QStringList serials;
        QList<int> perPage;
        for (const QList<Word>& words : pages) {
            int numberWords = 0;
            int products = 0;
            for (const Word& word : words) {
                if (word.mm.top() >= 287.87 - 1) {
                    QVERIFY2(word.mm.bottom() <= 287.87 + 6.61 + 1, qPrintable(word.text));
                    ++numberWords;
                    continue;
                }
                QVERIFY2(word.mm.bottom() <= 287.0, qPrintable(word.text.left(20)));
                if (word.text.startsWith(QStringLiteral("產品序號："))) {
                    serials << word.text.mid(5);
                }
                products += word.text.startsWith(QStringLiteral("購買日期："));
            }
            QCOMPARE(numberWords, 3);  // 第, the number, 頁
            perPage << products;
        }
        QCOMPARE(serials.size(), card.products.size());
        for (const ProductEntry& product : card.products) {
            QCOMPARE(serials.count(product.ProdCd), 1);
        }
        if (!productsPerPage.isEmpty()) {
            QCOMPARE(perPage, productsPerPage);
        }
    }

    // Ideographs that some CJK fonts would hand to the PDF as Kangxi radicals.
    void textCopiesAsDrawn() {
        Registration card = person();
        card.record.RecAddr = QStringLiteral("文小頁日");
        const QStringList lines = print(card).lines(1);
        QVERIFY(lines.contains(QStringLiteral("◎地址：文小頁日")));
        QVERIFY(lines.contains(QStringLiteral("第 1 頁")));
        for (const QChar c : lines.join(QString())) {
            QVERIFY2(c.unicode() < 0x2F00 || c.unicode() > 0x2FDF, "Kangxi radical in the text");
        }
    }

    void deliveredHeaderFitsItsBox() {
        env_->writeFile(QStringLiteral("program/regset.ini"), [] {
            QFile file(TestEnvironment::sourceData() + QStringLiteral("/regset.ini"));
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }());
        const QString text = print(person()).lines(1).join(u'\n');
        for (const QString& part : {QStringLiteral("請將本卡填妥"), QStringLiteral("客服專線"),
                                    QStringLiteral("服務時間"), QStringLiteral("國定假日除外）")}) {
            QVERIFY2(text.contains(part), qPrintable(part));
        }
    }

    void missingSettingsAndFirstRunDateStillPrint() {
        QFile::remove(env_->programFolder() + QStringLiteral("/regset.ini"));
        Registry reg;
        reg.OpenKey(keys::StateKey);
        reg.DeleteValue(keys::FirstRunMonth);
        const Pdf pdf = print(person());
        QCOMPARE(pdf.pages(), 1);
        const QStringList lines = pdf.lines(1);
        QCOMPARE(lines[1].simplified(), QStringLiteral("， 第一次執行日期 ， 列印日期2005/3/12"));
        QCOMPARE(lines.last(), QStringLiteral("第 1 頁"));
    }

    void secondCardRepeatsNothing() {
        TForm7 report;
        const Pdf first = print(person(6), report);
        Registration other = enterprise();
        const Pdf second = print(other, report);
        QCOMPARE(second.pages(), 1);
        const QStringList lines = second.lines(1);
        QCOMPARE(lines.filter(QStringLiteral("◎中文姓名")).size(), 1);
        QCOMPARE(lines.filter(QStringLiteral("◎會員別")),
                 QStringList{QStringLiteral("◎會員別：企業會員")});
        QCOMPARE(lines.filter(QStringLiteral("服務時間")).size(), 1);
        QCOMPARE(models(lines), QStringList{QStringLiteral("K1")});
        QCOMPARE(first.pages(), 2);
    }

    void cancelPrintsNothing() {
        const QString path = dir_.filePath(QStringLiteral("cancelled.pdf"));
        int shown = 0;
        printing::setDialog([&](QPrinter& printer, QWidget*) {
            ++shown;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            return false;
        });
        TForm7 report;
        QVERIFY(!card::printRegCard(report, person(14), nullptr));
        QCOMPARE(shown, 1);
        QVERIFY(!QFile::exists(path));
    }

    // One dialog for all pages; a later card starts from what it chose.
    void dialogOnceAndItsChoicesKept() {
        QStringList seen;
        printing::setDialog([&](QPrinter& printer, QWidget*) {
            seen << printer.outputFileName();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir_.filePath(QStringLiteral("chosen.pdf")));
            return true;
        });
        TForm7 report;
        QVERIFY(card::printRegCard(report, person(14), nullptr));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(Pdf{dir_.filePath(QStringLiteral("chosen.pdf"))}.pages(), 3);
        QVERIFY(card::printRegCard(report, person(1), nullptr));
        QCOMPARE(seen.last(), dir_.filePath(QStringLiteral("chosen.pdf")));
    }

    void pageRangeOfTheDialog() {
        const QString path = dir_.filePath(QStringLiteral("range.pdf"));
        printing::setDialog([&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(2, 3);
            return true;
        });
        TForm7 report;
        QVERIFY(card::printRegCard(report, person(14), nullptr));
        const Pdf pdf{path};
        QCOMPARE(pdf.pages(), 2);
        QCOMPARE(pdf.lines(1).last(), QStringLiteral("第 2 頁"));
        QCOMPARE(pdf.lines(2).last(), QStringLiteral("第 3 頁"));

        // A range without a page of the card would print nothing: it counts as all pages.
        printing::printer().setFromTo(4, 9);
        QVERIFY(card::printChosen(report, person(14)));
        QCOMPARE(Pdf{path}.pages(), 3);
    }

    void environmentNamesThePdf() {
        const QString path = dir_.filePath(QStringLiteral("env.pdf"));
        qputenv("ORVEXREG_PRINT_PDF", path.toLocal8Bit());
        TForm7 report;
        QVERIFY(card::printRegCard(report, person(), nullptr));
        QCOMPARE(Pdf{path}.pages(), 1);
    }

    // A file that cannot be written whole is no card: the error names the file and the cause,
    // and a card printed there before is left as it was, with nothing beside it.
    void unwritableFileIsAnError_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("sizeLimit");  // bytes a file may grow to; 0: no limit
        QTest::newRow("missing folder") << QStringLiteral("missing/card.pdf")
                                        << QStringLiteral("資料夾「%1/missing」不存在") << 0;
        QTest::newRow("parent is a file")
            << QStringLiteral("plain/card.pdf") << QStringLiteral("有一部分是檔案") << 0;
        QTest::newRow("a folder") << QStringLiteral("folder") << QStringLiteral("是一個資料夾")
                                  << 0;
        QTest::newRow("full disk")
            << QStringLiteral("/dev/full") << QStringLiteral("磁碟空間已滿") << 0;
        QTest::newRow("cut short")
            << QStringLiteral("earlier.pdf") << QStringLiteral("請改存到其他位置") << 8192;
        // A card there before, in a folder that takes no new file.
        QTest::newRow("folder not writable")
            << QStringLiteral("locked/card.pdf") << QStringLiteral("資料夾「%1/locked」不允許寫入")
            << 0;
        // A pipe would wait for a reader for ever.
        QTest::newRow("a pipe") << QStringLiteral("pipe") << QStringLiteral("管線或通訊端") << 0;
    }
    void unwritableFileIsAnError() {
        QFETCH(QString, file);
        QFETCH(QString, cause);
        QFETCH(int, sizeLimit);
        QFile(dir_.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly);
        QDir(dir_.path()).mkdir(QStringLiteral("folder"));
        QDir(dir_.path()).mkdir(QStringLiteral("locked"));
        QFile(dir_.filePath(QStringLiteral("locked/card.pdf"))).open(QIODevice::WriteOnly);
        QVERIFY(setReadOnly(dir_.filePath(QStringLiteral("locked")), true));
        const auto unlock =
            qScopeGuard([this] { setReadOnly(dir_.filePath(QStringLiteral("locked")), false); });
        ::mkfifo(QFile::encodeName(dir_.filePath(QStringLiteral("pipe"))), 0600);
        QFile earlier(dir_.filePath(QStringLiteral("earlier.pdf")));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("%PDF earlier card") > 0);
        earlier.close();
        const QStringList before = QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden);
        const QString path = QDir(dir_.path()).filePath(file);
        printing::setPdfOutput(path);
        TForm7 report;
        try {
            const FileSizeLimit limit(sizeLimit);
            card::printRegCard(report, person(), nullptr);
            QFAIL("printed");
        } catch (const PrintError& e) {
            QVERIFY(
                e.text().startsWith(QStringLiteral("無法列印產品註冊卡：檔案「%1」").arg(path)));
            QVERIFY2(e.text().contains(cause.replace(QStringLiteral("%1"), dir_.path())),
                     qPrintable(e.text()));
            QCOMPARE(e.message(), e.text() + u'\n' + e.detail());
            QVERIFY(e.detail().startsWith(QStringLiteral("Cannot print on '%1': ").arg(path)));
        }
        QCOMPARE(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("%PDF earlier card"));
    }

    // Any name the file system takes is a name for the card, however long.
    void aLongFileName() {
        const QString path = dir_.filePath(QString(254, u'c'));
        printing::setPdfOutput(path);
        TForm7 report;
        QVERIFY(card::printRegCard(report, person(), nullptr));
        QCOMPARE(Pdf{path}.pages(), 1);
    }

    // The card is A4 whatever paper the dialog's printer had.
    void a4AfterALetterDialog() {
        const QString path = dir_.filePath(QStringLiteral("letter.pdf"));
        printing::setDialog([&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setPageSize(QPageSize(QPageSize::Letter));
            return true;
        });
        TForm7 report;
        QVERIFY(card::printRegCard(report, person(), nullptr));
        QCOMPARE(printing::printer().pageLayout().pageSize().id(), QPageSize::A4);
        QVERIFY2(Pdf{path}.info().contains(QStringLiteral("(A4)")), qPrintable(Pdf{path}.info()));
    }

    // On paper that cannot hold the A4 sheet, the whole card shrinks into the printable area.
    void sheetFitsThePaper_data() {
        QTest::addColumn<QSizeF>("paper");
        QTest::addColumn<QRectF>("printable");
        QTest::newRow("A4") << QSizeF(210, 297) << QRectF(4, 4, 202, 289);
        QTest::newRow("A3") << QSizeF(297, 420) << QRectF(5, 5, 287, 410);
        QTest::newRow("Letter") << QSizeF(215.9, 279.4) << QRectF(6.35, 6.35, 203.2, 266.7);
        QTest::newRow("A4 landscape") << QSizeF(297, 210) << QRectF(0, 0, 297, 210);
        QTest::newRow("A5") << QSizeF(148, 210) << QRectF(3, 3, 142, 204);
    }
    void sheetFitsThePaper() {
        QFETCH(QSizeF, paper);
        QFETCH(QRectF, printable);
        const QTransform placed = printing::placeSheet(paper, printable);
        const QRectF sheet = placed.mapRect(QRectF(0, 0, 210, 297));
        if (paper.width() >= 210 && paper.height() >= 297) {
            QVERIFY(placed.isIdentity());
            return;
        }
        QVERIFY(printable.adjusted(-0.01, -0.01, 0.01, 0.01).contains(sheet));
        QVERIFY(qAbs(sheet.width() / sheet.height() - 210.0 / 297) < 1e-6);
        QVERIFY(qFuzzyCompare(sheet.width(), printable.width()) ||
                qFuzzyCompare(sheet.height(), printable.height()));
        QCOMPARE(sheet.center(), printable.center());
    }

private:
    Pdf print(const Registration& card, TForm7& report) {
        const QString path = dir_.filePath(QStringLiteral("card%1.pdf").arg(++printed_));
        printing::setPdfOutput(path);
        if (!card::printRegCard(report, card, nullptr)) {
            qFatal("card not printed");
        }
        return Pdf{path};
    }
    Pdf print(const Registration& card) {
        TForm7 report;
        return print(card, report);
    }

    std::unique_ptr<TestEnvironment> env_;
    QTemporaryDir dir_;
    int printed_ = 0;
};

QTEST_MAIN(TestCard)
#include "tst_card.moc"
