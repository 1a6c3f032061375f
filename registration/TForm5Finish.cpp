// The finish of the registration form: a further product, or the completed registration
// saved, put into its registration string and handed on.
#include "FormHelpers.h"
#include "TForm5.h"
#include "app/Forms.h"
#include "card/RegCard.h"
#include "card/TForm7.h"
#include "core/Convert.h"
#include "core/Keys.h"
#include "core/RegUtils.h"
#include "core/Registry.h"
#include "core/Settings.h"
#include "desktop/MessageBoxes.h"
#include "desktop/PrintEngine.h"
#include "platform/Error.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"
#include "upload/TForm6.h"

#include <limits>
#include <tuple>

namespace {

// The code table entry of the selected item, or empty when nothing is selected.
QString codeOf(const QStringList& codes, const QComboBox* list) {
    return codes.value(list->currentIndex());
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

// The count stored so far, which this registration's products must not carry below 0 or
// past the largest 32-bit value.
void checkProductCount(int stored, int added) {
    if (stored >= 0 && stored <= std::numeric_limits<int>::max() - added) {
        return;
    }
    const QString why = stored < 0 ? QStringLiteral("不能是負數")
                                   : QStringLiteral("加上這次的 %1 項產品會超過上限 %2")
                                         .arg(added)
                                         .arg(std::numeric_limits<int>::max());
    // A closing parenthesis sorts before ".", so the error box adds no period after it.
    throw Error(QStringLiteral("登錄資料中已註冊的產品數目 ProductCount 是 %1，%2，這次的註冊沒有"
                               "儲存。請修正或刪除這個值（例如以 orvexreg-reg），然後再按「完成」。"
                               "\n(ProductCount %1 out of range)")
                    .arg(stored)
                    .arg(why));
}

}  // namespace

void TForm5::storeSelectedProduct() {
    const int slot = TabControl1->count() > 0 ? TabControl1->currentIndex() : 0;
    if (slot < 0 || slot >= MaxProducts) {
        return;
    }
    PrinterType[slot] = Edit15->text();
    ProdCd[slot] = Edit16->text();
    ChnlId[slot] = Edit17->text();
    PurchaseD[slot] = ComboBox11->currentText();
    PurchaseM[slot] = ComboBox10->currentText();
    PurchaseY[slot] = Edit18->text();
}

void TForm5::addProduct() {
    if (TabControl1->count() >= MaxProducts) {
        msg::inform(QStringLiteral("一次最多可註冊 %1 項產品，請先按「完成」完成這次的註冊，"
                                   "再註冊其他產品。")
                        .arg(MaxProducts),
                    QStringLiteral("註冊其他ORVEX產品"));
        return;
    }
    TabControl1->show();
    if (TabControl1->count() == 0) {
        TabControl1->addTab(Edit15->text());
        TabControl1->setCurrentIndex(0);
    } else {
        TabControl1->setTabText(TabControl1->currentIndex(), Edit15->text());
    }
    storeSelectedProduct();
    TabControl1->setCurrentIndex(TabControl1->addTab(QStringLiteral("新增")));
    // Through the change rules: a field that really changes fills the new tab's slot.
    Edit15->setText(DefaultModel);
    Edit16->setText(DefaultProdCd);
    Edit17->setText(QString());
    setPurchaseDateToday();
    Edit15->setFocus();
}

void TForm5::captureRecord() {
    RecName = Edit1->text();
    RecCompName = Edit3->text();
    RecBirthY = Edit2->text();
    RecBirthM = ComboBox1->currentText();
    RecBirthD = ComboBox2->currentText();
    RecSex = QString::number(ComboBox3->currentIndex() + 1);
    RecOccupation = codeOf(OccupationCodes, ComboBox4);
    RecPos = codeOf(PositionCodes, ComboBox6);
    RecArea1 = ComboBox8->currentText();
    RecArea2 = ComboBox9->currentText();
    RecZip = Edit5->text();
    RecAddr = Edit6->text();
    RecEAddr = Edit7->text();
    RecPrePhone = Edit8->text();
    RecPhone = Edit9->text();
    RecExtPhone = Edit10->text();
    RecPreFax = Edit11->text();
    RecFax = Edit12->text();
    RecPreMPhone = Edit14->text();
    RecMPhone = Edit13->text();
    if (isPerson()) {
        RecPersonalId = Edit4->text();
        RecEducation = QString::number(ComboBox12->currentIndex() + 1);
    } else {
        RecCompanyScale = codeOf(CompanyScaleCodes, ComboBox5);
        RecCompanyCapital = codeOf(CompanyCapitalCodes, ComboBox7);
        RecCompanyId = Edit4->text();
    }
}

void TForm5::SaveEntries() {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    reg.WriteString(keys::Name, RecName);
    reg.WriteString(keys::CompName, RecCompName);
    reg.WriteInteger(keys::BirthdayY, convert::toInt(RecBirthY));
    reg.WriteInteger(keys::BirthdayM, convert::toInt(RecBirthM));
    reg.WriteInteger(keys::BirthdayD, convert::toInt(RecBirthD));
    reg.WriteInteger(keys::Sex, convert::toInt(RecSex));
    reg.WriteInteger(keys::Occupation, convert::toInt(RecOccupation));
    reg.WriteInteger(keys::Pos, convert::toInt(RecPos));
    reg.WriteString(keys::Zip, RecZip);
    reg.WriteString(keys::Area1, RecArea1);
    reg.WriteString(keys::Area2, RecArea2);
    reg.WriteString(keys::Addr, RecAddr);
    reg.WriteString(keys::EAddr, RecEAddr);
    reg.WriteString(keys::PrePhone, RecPrePhone);
    reg.WriteString(keys::Phone, RecPhone);
    reg.WriteString(keys::ExtPhone, RecExtPhone);
    reg.WriteString(keys::PreFax, RecPreFax);
    reg.WriteString(keys::Fax, RecFax);
    reg.WriteString(keys::PreMPhone, RecPreMPhone);
    reg.WriteString(keys::MPhone, RecMPhone);
    if (isPerson()) {
        reg.WriteString(keys::PersonalId, Edit4->text());
        reg.WriteInteger(keys::Education, ComboBox12->currentIndex() + 1);
        reg.WriteInteger(keys::OwnerType, 0);
        reg.WriteInteger(keys::CompanyCapital, 0);
    } else {
        reg.WriteInteger(keys::CompanyScale, ComboBox5->currentIndex());
        reg.WriteInteger(keys::CompanyCapital, ComboBox7->currentIndex());
        reg.WriteString(keys::CompanyId, Edit4->text());
        reg.WriteInteger(keys::OwnerType, 1);
        reg.WriteString(keys::PersonalId, QString());
    }
    reg.CloseKey();
}

bool TForm5::everyProductFilled() {
    const QList<ProductEntry> list = products();
    for (int k = 0; k < list.size(); ++k) {
        const ProductEntry& p = list[k];
        const std::tuple<const QString&, QWidget*, QString> parts[] = {
            {p.PrinterType, Edit15, QStringLiteral("機型")},
            {p.PurchaseY, Edit18, QStringLiteral("購買日期（年）")},
            {p.PurchaseM, ComboBox10, QStringLiteral("購買日期（月）")},
            {p.PurchaseD, ComboBox11, QStringLiteral("購買日期（日）")},
        };
        for (const auto& [value, field, name] : parts) {
            if (!value.isEmpty()) {
                continue;
            }
            const bool tabs = TabControl1->count() > 0;
            if (tabs) {
                TabControl1->setCurrentIndex(k);
                TabControl1Change();
            }
            return fail(field, missingPartText(tabs ? k : -1, p.ProdCd, name));
        }
    }
    return true;
}

QList<ProductEntry> TForm5::products() const {
    const int count = TabControl1->count() > 0 ? TabControl1->count() : 1;
    QList<ProductEntry> list;
    list.reserve(count);
    for (int k = 0; k < count && k < MaxProducts; ++k) {
        list.append(
            {PurchaseY[k], PurchaseM[k], PurchaseD[k], PrinterType[k], ProdCd[k], ChnlId[k]});
    }
    return list;
}

void TForm5::completeRegistration() {
    // A product left without its model or purchase date would be neither stored nor sent,
    // yet counted: the user is shown it before anything happens.
    storeSelectedProduct();
    if (!everyProductFilled()) {
        return;
    }
    // The printer is chosen before anything is stored: a cancelled dialog leaves the form and
    // the stored state as they were, so that finishing again registers the products once.
    const bool print = RegMode == QStringLiteral("print");
    if (print) {
        // A stored count that cannot take these products stops the finish before a printer is
        // chosen for nothing; it is checked again where it is written.
        checkProductCount(RegUtils().GetProductCount(), static_cast<int>(products().size()));
        if (!printing::choose(this, card::documentName())) {
            return;
        }
    }
    captureRecord();
    RegistrationContext context;
    context.person = isPerson();
    context.male = ComboBox3->currentText() == QStringLiteral("男");
    context.area = ComboBox8->currentIndex() + 1;
    context.products = products();

    // Every value of one registration is written together or not at all: a failure half-way
    // leaves the stored state as it was and hands nothing on.
    HiveTransaction transaction;
    SaveEntries();
    const int old = RegUtils().GetProductCount();
    checkProductCount(old, static_cast<int>(context.products.size()));
    Registry reg;
    reg.OpenKey(keys::StateKey);
    reg.WriteInteger(keys::ProductCount, old + static_cast<int>(context.products.size()));
    for (int k = 0; k < context.products.size(); ++k) {
        const ProductEntry& p = context.products[k];
        const int m = old + k + 1;
        reg.WriteInteger(keys::numbered(keys::PurchaseYPrefix, m), convert::toInt(p.PurchaseY));
        reg.WriteInteger(keys::numbered(keys::PurchaseMPrefix, m), convert::toInt(p.PurchaseM));
        reg.WriteInteger(keys::numbered(keys::PurchaseDPrefix, m), convert::toInt(p.PurchaseD));
        reg.WriteString(keys::numbered(keys::ProdCdPrefix, m), p.ProdCd);
        reg.WriteString(keys::numbered(keys::PrinterTypePrefix, m), p.PrinterType);
        reg.WriteString(keys::numbered(keys::ChnlIdPrefix, m), p.ChnlId);
    }
    reg.CloseKey();

    reg.OpenKey(keys::StateKey);
    context.firstRunYear = convert::toInt(reg.ReadString(keys::FirstRunYear));
    context.firstRunMonth = convert::toInt(reg.ReadString(keys::FirstRunMonth));
    context.firstRunDay = convert::toInt(reg.ReadString(keys::FirstRunDay));
    reg.CloseKey();
    const QDate firstRun(context.firstRunYear, context.firstRunMonth, context.firstRunDay);
    if (!firstRun.isValid()) {
        throw Error(QStringLiteral("Invalid argument to date encode"));
    }
    context.fast = isFastRegistration(firstRun, LocalClock::today(), settings::bonusDays());
    context.version = settings::versionText();
    const QString registration = registrationString(*this, context);
    reg.OpenKey(keys::StateKey);
    reg.WriteString(keys::RegStr, registration);
    reg.CloseKey();

    // A print registration counts once its card is printed: a failed print undoes every write
    // above, so that finishing again stores the products once.
    if (print) {
        try {
            if (!printCard()) {
                return;
            }
        } catch (const PrintError& e) {
            throw Error(e.text() +
                        QStringLiteral("這次的註冊尚未儲存；排除問題後請再按一次「完成」。\n") +
                        e.detail());
        }
    }
    transaction.commit();

    if (print) {
        closeAfterPrint();
    } else {
        hide();
        Form6->show();
        Form6->Edit1->setText(registration);
    }
}

bool TForm5::PrintRegCard() {
    if (!printing::choose(this, card::documentName())) {
        return false;
    }
    // The registration is stored already; the caller offers the print again.
    try {
        if (!printCard()) {
            return false;
        }
    } catch (const PrintError& e) {
        msg::showError(e);
        return false;
    }
    closeAfterPrint();
    return true;
}

bool TForm5::printCard() {
    RegCard card;
    card.person = isPerson();
    card.RecName = RecName;
    card.RecCompName = RecCompName;
    card.RecBirthY = RecBirthY;
    card.RecBirthM = RecBirthM;
    card.RecBirthD = RecBirthD;
    card.RecPersonalId = RecPersonalId;
    card.RecCompanyId = RecCompanyId;
    card.sex = ComboBox3->currentText();
    card.education = ComboBox12->currentText();
    card.occupation = ComboBox4->currentText();
    card.position = ComboBox6->currentText();
    card.companyScale = ComboBox5->currentText();
    card.companyCapital = ComboBox7->currentText();
    card.county = ComboBox8->currentText();
    card.district = ComboBox9->currentText();
    card.postcode = Edit5->text();
    card.address = Edit6->text();
    card.email = Edit7->text();
    card.phoneArea = Edit8->text();
    card.phone = Edit9->text();
    card.phoneExt = Edit10->text();
    card.faxArea = Edit11->text();
    card.fax = Edit12->text();
    card.mobilePrefix = Edit14->text();
    card.mobile = Edit13->text();
    card.products = products();
    return card::printChosen(*Form7, card);
}

void TForm5::closeAfterPrint() {
    hide();
    Registry reg;
    reg.OpenKey(keys::RunKey);
    reg.DeleteValue(keys::RunValue);
    reg.CloseKey();
    Form6->ShowPrintResult();
}
