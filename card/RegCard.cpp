#include "RegCard.h"

#include "TForm7.h"
#include "core/RegistrationStore.h"
#include "core/Settings.h"
#include "desktop/PrintEngine.h"
#include "platform/LocalClock.h"

#include <optional>

namespace card {
namespace {

const QString kBlankLine = QString(12, u' ');
const QString kHeaderIndent = QString(6, u' ');

QString phoneLine(const RegistrationRecord& r) {
    return QStringLiteral("◎電話：") + r.RecPrePhone + u'-' + r.RecPhone + u'-' + r.RecExtPhone;
}

QString mobileLine(const RegistrationRecord& r) {
    return QStringLiteral("◎手機：") + r.RecPreMPhone + u'-' + r.RecMPhone;
}

QStringList productLines(const ProductEntry& product) {
    return {
        kBlankLine,
        QStringLiteral("購買日期：") + product.PurchaseY + QStringLiteral("年") +
            product.PurchaseM + QStringLiteral("月") + product.PurchaseD + QStringLiteral("日"),
        QStringLiteral("機型：") + product.PrinterType,
        QStringLiteral("產品序號：") + product.ProdCd,
        QStringLiteral("經銷商統編或名稱：") + product.ChnlId,
    };
}

QStringList memberLines(const Registration& registration) {
    const RegistrationRecord& r = registration.record;
    QStringList lines = {
        registration.person ? QStringLiteral("◎會員別：個人會員")
                            : QStringLiteral("◎會員別：企業會員"),
        QStringLiteral("◎中文姓名：") + r.RecName,
        QStringLiteral("◎公司名稱:") + r.RecCompName,
        QStringLiteral("◎生日：") + r.RecBirthY + QStringLiteral("年") + r.RecBirthM +
            QStringLiteral("月") + r.RecBirthD + QStringLiteral("日"),
        QStringLiteral("◎性別：") + registration.sex,
        QStringLiteral("◎教育：") + registration.education,
        QStringLiteral("◎行業：") + registration.occupation,
        QStringLiteral("◎職稱：") + registration.position,
    };
    if (registration.person) {
        lines << QStringLiteral("◎身份證字號：") + r.RecPersonalId;
    } else {
        lines << QStringLiteral("◎公司統編：") + r.RecCompanyId;
        lines << QStringLiteral("◎公司規模：") + registration.companyScale;
        lines << QStringLiteral("◎公司資本額：") + registration.companyCapital;
    }
    lines += {
        QStringLiteral("◎郵遞區號：") + r.RecZip,
        QStringLiteral("◎縣市：") + r.RecArea1,
        QStringLiteral("◎區域：") + r.RecArea2,
        QStringLiteral("◎地址：") + r.RecAddr,
        QStringLiteral("◎電子郵件：") + r.RecEAddr,
        phoneLine(r),
        QStringLiteral("◎傳真：") + r.RecPreFax + u'-' + r.RecFax,
        mobileLine(r),
        kBlankLine,
    };
    return lines;
}

// Fills the pages of the body one line after the other.
class BodyPager {
public:
    BodyPager(const BodyMeasure& measure, const QStringList& heading) : measure_(measure) {
        for (const QString& line : heading) {
            heading_ << limited(line);
            headingLines_ += linesOf(heading_.last());
        }
        pages_.append(QStringList());
    }

    // A text that does not fit the rest of the page runs on at the top of the next one.
    void addText(const QString& text) {
        const QStringList parts = measure_.wrap(text);
        if (parts.size() <= room()) {
            pages_.last() << text;
            used_ += qMax<qsizetype>(1, parts.size());
            return;
        }
        for (const QString& part : parts) {
            // A page holding only its heading takes the line anyway, so that paging ends.
            if (room() < 1 && used_ > headingLines_) {
                newPage();
            }
            pages_.last() << part;
            ++used_;
        }
    }

    // A block moves whole to the next page when it fits there but not here.
    void addProduct(const QStringList& block) {
        int lines = 0;
        for (const QString& line : block) {
            lines += linesOf(line);
        }
        const int limit = pages_.size() == 1 ? FirstPageProducts : ProductsPerPage;
        if (products_ >= limit ||
            (lines > room() && lines <= measure_.linesPerPage - headingLines_)) {
            newPage();
        }
        ++products_;
        for (const QString& line : block) {
            addText(line);
        }
    }

    const QList<QStringList>& pages() const { return pages_; }

private:
    int linesOf(const QString& text) const {
        return int(qMax<qsizetype>(1, measure_.wrap(text).size()));
    }
    int room() const { return measure_.linesPerPage - used_; }

    void newPage() {
        pages_.append(heading_);
        used_ = headingLines_;
        products_ = 0;
    }

    // The line cut to HeadingLineLimit lines, ending in "…" when cut: the full text is on the
    // first page.
    QString limited(const QString& line) const {
        const QStringList parts = measure_.wrap(line);
        if (parts.size() <= HeadingLineLimit) {
            return line;
        }
        QString text = parts.mid(0, HeadingLineLimit).join(QString());
        do {
            text.chop(text.size() > 1 && text.back().isLowSurrogate() ? 2 : 1);
        } while (!text.isEmpty() && measure_.wrap(text + u'…').size() > HeadingLineLimit);
        return text + u'…';
    }

    const BodyMeasure& measure_;
    QStringList heading_;
    int headingLines_ = 0;
    QList<QStringList> pages_;
    int used_ = 0;      // lines of the last page
    int products_ = 0;  // blocks begun on the last page
};

}  // namespace

QString datesLine(const QString& title, const QDate& firstRun, const QDate& today) {
    return title + QStringLiteral(" ， 第一次執行日期") +
           (firstRun.isValid() ? LocalClock::shortDate(firstRun) : QString()) +
           QStringLiteral(" ， 列印日期") + LocalClock::shortDate(today);
}

QStringList headerLines(const QStringList& settingsLines) {
    QStringList lines;
    for (const QString& line : settingsLines) {
        lines << kHeaderIndent + line;
    }
    return lines;
}

QList<QStringList> bodyPages(const Registration& registration, const BodyMeasure& measure) {
    const RegistrationRecord& r = registration.record;
    BodyPager pager(measure,
                    {QStringLiteral("◎中文姓名：") + r.RecName, phoneLine(r), mobileLine(r)});
    for (const QString& line : memberLines(registration)) {
        pager.addText(line);
    }
    for (const ProductEntry& product : registration.products) {
        pager.addProduct(productLines(product));
    }
    return pager.pages();
}

QString pageNumber(int page) {
    return QStringLiteral("第 %1 頁").arg(page);
}

QString documentName() {
    return QStringLiteral("產品註冊卡");
}

bool printRegCard(TForm7& report, const Registration& registration, QWidget* parent) {
    return printing::choose(parent, documentName()) && printChosen(report, registration);
}

bool printChosen(TForm7& report, const Registration& registration) {
    // Filled afresh for every card, so that a second card of the run repeats no line.
    const std::optional<QDate> firstRun = RegistrationStore().firstRunDate().date();
    report.QRLabel2.Caption =
        datesLine(settings::cardTitle(), firstRun.value_or(QDate()), LocalClock::today());
    report.QRMemo1.Lines = headerLines(settings::cardHeaderLines());
    PrintJob job;
    job.open();
    const ReportMemo& body = report.QRMemo2;
    const QPainter& painter = job.painter();
    const BodyMeasure measure{
        [&](const QString& text) { return body.wrapped(painter, text); },
        int((report.bodyBottom() - body.Geometry.top()) / body.lineHeight(painter))};
    const QList<QStringList> pages = bodyPages(registration, measure);
    job.setPageCount(int(pages.size()));
    for (int page = 1; page <= pages.size(); ++page) {
        report.QRMemo2.Lines = pages[page - 1];
        report.QRLabel3.Caption = pageNumber(page);
        report.print(job);
    }
    return job.end();
}

}  // namespace card
