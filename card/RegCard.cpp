#include "RegCard.h"

#include "TForm7.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"
#include "platform/PrintEngine.h"
#include "platform/Registry.h"
#include "state/Keys.h"
#include "state/Settings.h"

#include <optional>

namespace card {
namespace {

const QString kBlankLine = QString(12, u' ');
const QString kHeaderIndent = QString(6, u' ');

QString phoneLine(const RegCard& card) {
    return QStringLiteral("◎電話：") + card.phoneArea + u'-' + card.phone + u'-' + card.phoneExt;
}

QString mobileLine(const RegCard& card) {
    return QStringLiteral("◎手機：") + card.mobilePrefix + u'-' + card.mobile;
}

void appendProduct(QStringList& lines, const CardProduct& product) {
    lines += {
        kBlankLine,
        QStringLiteral("購買日期：") + product.PurchaseY + QStringLiteral("年") +
            product.PurchaseM + QStringLiteral("月") + product.PurchaseD + QStringLiteral("日"),
        QStringLiteral("機型：") + product.PrinterType,
        QStringLiteral("產品序號：") + product.ProdCd,
        QStringLiteral("經銷商統編或名稱：") + product.ChnlId,
    };
}

QStringList memberLines(const RegCard& card) {
    QStringList lines = {
        card.person ? QStringLiteral("◎會員別：個人會員") : QStringLiteral("◎會員別：企業會員"),
        QStringLiteral("◎中文姓名：") + card.RecName,
        QStringLiteral("◎公司名稱:") + card.RecCompName,
        QStringLiteral("◎生日：") + card.RecBirthY + QStringLiteral("年") + card.RecBirthM +
            QStringLiteral("月") + card.RecBirthD + QStringLiteral("日"),
        QStringLiteral("◎性別：") + card.sex,
        QStringLiteral("◎教育：") + card.education,
        QStringLiteral("◎行業：") + card.occupation,
        QStringLiteral("◎職稱：") + card.position,
    };
    if (card.person) {
        lines << QStringLiteral("◎身份證字號：") + card.RecPersonalId;
    } else {
        lines << QStringLiteral("◎公司統編：") + card.RecCompanyId;
        lines << QStringLiteral("◎公司規模：") + card.companyScale;
        lines << QStringLiteral("◎公司資本額：") + card.companyCapital;
    }
    lines += {
        QStringLiteral("◎郵遞區號：") + card.postcode,
        QStringLiteral("◎縣市：") + card.county,
        QStringLiteral("◎區域：") + card.district,
        QStringLiteral("◎地址：") + card.address,
        QStringLiteral("◎電子郵件：") + card.email,
        phoneLine(card),
        QStringLiteral("◎傳真：") + card.faxArea + u'-' + card.fax,
        mobileLine(card),
        kBlankLine,
    };
    return lines;
}

// A value of the state key as a whole number; none when missing, of another type or not a
// number.
std::optional<int> storedNumber(Registry& reg, const QString& name) {
    try {
        return convert::parseInt32(reg.ReadString(name));
    } catch (const HiveFileError&) {
        throw;
    } catch (const Error&) {
        return std::nullopt;
    }
}

}  // namespace

int pageCount(qsizetype products) {
    const qsizetype rest = qMax<qsizetype>(0, products - FirstPageProducts);
    return 1 + int((rest + ProductsPerPage - 1) / ProductsPerPage);
}

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

QStringList bodyLines(const RegCard& card, int page) {
    QStringList lines;
    qsizetype first = 0;
    qsizetype count = FirstPageProducts;
    if (page <= 1) {
        lines = memberLines(card);
    } else {
        lines = {QStringLiteral("◎中文姓名：") + card.RecName, phoneLine(card), mobileLine(card)};
        first = FirstPageProducts + qsizetype(page - 2) * ProductsPerPage;
        count = ProductsPerPage;
    }
    for (qsizetype i = first; i < first + count && i < card.products.size(); ++i) {
        appendProduct(lines, card.products[i]);
    }
    return lines;
}

QString pageNumber(int page) {
    return QStringLiteral("第 %1 頁").arg(page);
}

QDate firstRunDate() {
    Registry reg;
    if (!reg.OpenKey(keys::StateKey)) {
        return {};
    }
    const auto year = storedNumber(reg, keys::FirstRunYear);
    const auto month = storedNumber(reg, keys::FirstRunMonth);
    const auto day = storedNumber(reg, keys::FirstRunDay);
    reg.CloseKey();
    if (!year || !month || !day) {
        return {};
    }
    return QDate(*year, *month, *day);
}

QString documentName() {
    return QStringLiteral("產品註冊卡");
}

bool printRegCard(TForm7& report, const RegCard& card, QWidget* parent) {
    return printing::choose(parent, documentName()) && printChosen(report, card);
}

bool printChosen(TForm7& report, const RegCard& card) {
    // Filled afresh for every card, so that a second card of the run repeats no line.
    report.QRLabel2.Caption = datesLine(settings::cardTitle(), firstRunDate(), LocalClock::today());
    report.QRMemo1.Lines = headerLines(settings::cardHeaderLines());
    report.QRMemo2.Lines = bodyLines(card, 1);
    report.QRLabel3.Caption = pageNumber(1);
    PrintJob job;
    job.open();
    report.print(job);
    const int pages = pageCount(card.products.size());
    for (int page = 2; page <= pages; ++page) {
        report.QRMemo2.Lines = bodyLines(card, page);
        report.QRLabel3.Caption = pageNumber(page);
        report.print(job);
    }
    return job.end();
}

}  // namespace card
