#include "FormCheck.h"

#include "Convert.h"
#include "Cp950.h"
#include "Validation.h"

#include <tuple>

namespace validation {
namespace {

const QString kIncomplete = QStringLiteral("註冊內容不完整");
const QString kWrong = QStringLiteral("註冊內容不正確");

bool isAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

FieldFailure fail(Field field, const QString& text, const QString& caption = kIncomplete) {
    return {field, text, caption, std::nullopt};
}

std::optional<FieldFailure> checkId(const FormEntries& e) {
    using cp950::byteLength;
    const QString& id = e.id;
    if (!e.person) {
        if (id.isEmpty()) {
            return fail(Field::Id, QStringLiteral("公司統編未填寫"));
        }
        if (byteLength(id) != 8) {
            return fail(Field::Id, QStringLiteral("公司統編不正確"));
        }
        return std::nullopt;
    }
    const QString badId = QStringLiteral("身份證字號不正確");
    const QString badIdOrSex = QStringLiteral("身份證字號或性別不正確");
    if (byteLength(id) != 10 || !isAsciiLetter(id[0])) {
        return fail(Field::Id, badId);
    }
    const QChar sexDigit = id[1];
    if (sexDigit != u'1' && sexDigit != u'2') {
        return fail(Field::Id, badId);
    }
    if ((sexDigit == u'1' && e.sexIndex != 0) || (sexDigit == u'2' && e.sexIndex != 1)) {
        return fail(Field::Id, badIdOrSex);
    }
    // Only the first product of a registration has its ID's check digit tested.
    if (e.firstProduct && !idCheckDigitValid(id)) {
        return fail(Field::Id, badId);
    }
    return std::nullopt;
}

std::optional<FieldFailure> checkPurchase(
    const FormEntries& e, const std::function<std::optional<QDate>()>& firstRunDate) {
    using cp950::byteLength;
    const QString bad = QStringLiteral("購買日期不正確");
    if (byteLength(e.purchaseYear) != 4) {
        return fail(Field::PurchaseYear, bad);
    }
    if (e.purchaseMonth.isEmpty()) {
        return fail(Field::PurchaseMonth, bad);
    }
    if (e.purchaseDay.isEmpty()) {
        return fail(Field::PurchaseDay, bad);
    }
    const auto year = convert::parseInt32(e.purchaseYear);
    if (!year || *year <= 1910) {
        return fail(Field::PurchaseYear, bad);
    }
    const auto month = convert::parseInt32(e.purchaseMonth);
    const auto day = convert::parseInt32(e.purchaseDay);
    // The day list offers 31 days in every month.
    if (!month || !day || !dateExists(*year, *month, *day)) {
        return fail(Field::PurchaseDay, bad);
    }
    const std::optional<QDate> firstRun = firstRunDate();
    if (!firstRun) {
        return fail(Field::PurchaseYear,
                    QStringLiteral("找不到本程式第一次執行的日期，無法核對購買日期。"), kWrong);
    }
    if (purchaseAfterFirstRun(*year, *month, *day, firstRun->year(), firstRun->month(),
                              firstRun->day())) {
        return FieldFailure{
            Field::PurchaseYear,
            purchaseAfterFirstRunMessage(firstRun->year(), firstRun->month(), firstRun->day()),
            kWrong, firstRun};
    }
    return std::nullopt;
}

QString missingPartText(int tab, const QString& serial, const QString& part) {
    const QString product =
        serial.isEmpty() ? QStringLiteral("未填序號") : QStringLiteral("序號 %1").arg(serial);
    const QString which = tab < 0
                              ? QStringLiteral("這項產品（%1）").arg(product)
                              : QStringLiteral("第 %1 個產品分頁（%2）").arg(tab + 1).arg(product);
    return QStringLiteral("%1的「%2」未填寫，這項產品無法註冊。請填寫「%2」後再按「完成」。")
        .arg(which, part);
}

}  // namespace

std::optional<FieldFailure> firstFailure(const FormEntries& e,
                                         const std::function<std::optional<QDate>()>& firstRun) {
    using cp950::byteLength;
    if (e.name.isEmpty()) {
        return fail(Field::Name, QStringLiteral("姓名欄位未填寫"));
    }
    if (containsAsciiDigit(e.name)) {
        return fail(Field::Name, QStringLiteral("姓名不可包含數字"), QStringLiteral("註冊有誤"));
    }
    if (!e.person && e.companyName.isEmpty()) {
        return fail(Field::CompanyName, QStringLiteral("公司名稱未填寫"));
    }

    const QString badBirthday = QStringLiteral("生日欄位不正確");
    if (e.birthYear.isEmpty() || e.birthMonth.isEmpty() || e.birthDay.isEmpty() ||
        byteLength(e.birthYear) != 4) {
        return fail(Field::BirthYear, badBirthday);
    }
    // A year pasted with the mouse escapes the key filter; it is no year either.
    const auto birthYear = convert::parseInt32(e.birthYear);
    if (!birthYear || *birthYear <= 1910) {
        return fail(Field::BirthYear, badBirthday);
    }
    if (e.sex.isEmpty()) {
        return fail(Field::Sex, QStringLiteral("性別欄位未填寫"));
    }
    if (auto failure = checkId(e)) {
        return failure;
    }

    if (e.occupation.isEmpty()) {
        return fail(Field::Occupation, QStringLiteral("行業欄位未填寫"));
    }
    if (e.position.isEmpty()) {
        return fail(Field::Position, QStringLiteral("職稱欄位未填寫"));
    }
    if (!e.person && e.companyScale.isEmpty()) {
        return fail(Field::CompanyScale, QStringLiteral("公司規模未填寫"));
    }
    if (!e.person && e.companyCapital.isEmpty()) {
        return fail(Field::CompanyCapital, QStringLiteral("公司資本額未填寫"));
    }
    if (e.county.isEmpty()) {
        return fail(Field::County, QStringLiteral("縣市未填寫"));
    }
    if (e.district.isEmpty()) {
        return fail(Field::District, QStringLiteral("區域未填寫"));
    }
    const QString badAddress = QStringLiteral("地址不正確");
    if (byteLength(e.district) < 4) {
        return fail(Field::District, badAddress);
    }
    if (e.address.isEmpty()) {
        return fail(Field::Address, badAddress);
    }

    const QString badMail = QStringLiteral("電子郵件不正確");
    if (!containsCharacter(e.email, u'@') || !containsCharacter(e.email, u'.')) {
        return fail(Field::Email, badMail);
    }
    const QString badPhone = QStringLiteral("電話欄位不正確");
    if (e.phoneArea.isEmpty()) {
        return fail(Field::PhoneArea, badPhone);
    }
    if (byteLength(e.phone) < 5) {
        return fail(Field::Phone, badPhone);
    }
    if (byteLength(e.serial) != 10) {
        return fail(Field::Serial, QStringLiteral("產品序號不正確"));
    }
    return checkPurchase(e, firstRun);
}

std::optional<ProductGap> firstProductGap(const QList<ProductEntry>& products, bool tabs) {
    for (int k = 0; k < products.size(); ++k) {
        const ProductEntry& p = products[k];
        const std::tuple<const QString&, Field, QString> parts[] = {
            {p.PrinterType, Field::Model, QStringLiteral("機型")},
            {p.PurchaseY, Field::PurchaseYear, QStringLiteral("購買日期（年）")},
            {p.PurchaseM, Field::PurchaseMonth, QStringLiteral("購買日期（月）")},
            {p.PurchaseD, Field::PurchaseDay, QStringLiteral("購買日期（日）")},
        };
        for (const auto& [value, field, name] : parts) {
            if (value.isEmpty()) {
                return ProductGap{k, field, missingPartText(tabs ? k : -1, p.ProdCd, name)};
            }
        }
    }
    return std::nullopt;
}

}  // namespace validation
