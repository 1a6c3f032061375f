#include "RegistrationStore.h"

#include "Convert.h"
#include "Keys.h"
#include "RegUtils.h"
#include "Registry.h"
#include "Settings.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"

#include <limits>

namespace {

constexpr int kMaxCount = std::numeric_limits<int>::max();

// The stored count, which these products must not carry below 0 or past the largest 32-bit
// value.
void checkCount(int stored, int added) {
    if (stored >= 0 && stored <= kMaxCount - added) {
        return;
    }
    const QString why =
        stored < 0 ? QStringLiteral("不能是負數")
                   : QStringLiteral("加上這次的 %1 項產品會超過上限 %2").arg(added).arg(kMaxCount);
    // A closing parenthesis sorts before ".", so the error box adds no period after it.
    throw Error(QStringLiteral("登錄資料中已註冊的產品數目 ProductCount 是 %1，%2，這次的註冊沒有"
                               "儲存。請修正或刪除這個值（例如以 orvexreg-reg），然後再按「完成」。"
                               "\n(ProductCount %1 out of range)")
                    .arg(stored)
                    .arg(why));
}

// A value of the open key as RegUtils reads it: 0 or empty when it is missing.
int number(Registry& reg, const QString& name) {
    return reg.ValueExists(name) ? reg.ReadInteger(name) : 0;
}

QString text(Registry& reg, const QString& name) {
    return reg.ValueExists(name) ? reg.ReadString(name) : QString();
}

}  // namespace

std::optional<QDate> FirstRunDate::date() const {
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        const auto n = parts_[i].unreadable ? std::nullopt : convert::parseInt32(parts_[i].text);
        if (!n) {
            return std::nullopt;
        }
        parts[i] = *n;
    }
    const QDate date(parts[0], parts[1], parts[2]);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

QDate FirstRunDate::required() const {
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        if (parts_[i].unreadable) {
            throw *parts_[i].unreadable;
        }
        parts[i] = convert::toInt(parts_[i].text);
    }
    const QDate date(parts[0], parts[1], parts[2]);
    if (!date.isValid()) {
        throw Error(QStringLiteral("Invalid argument to date encode"));
    }
    return date;
}

int RegistrationStore::productCount() const {
    return RegUtils().GetProductCount();
}

void RegistrationStore::checkRoom(int added) const {
    checkCount(productCount(), added);
}

FirstRunDate RegistrationStore::firstRunDate() const {
    const HiveAction action;
    FirstRunDate date;
    Registry reg;
    if (!reg.OpenKey(keys::StateKey)) {
        return date;
    }
    const QString names[] = {keys::FirstRunYear, keys::FirstRunMonth, keys::FirstRunDay};
    for (int i = 0; i < 3; ++i) {
        try {
            date.parts_[i].text = reg.ReadString(names[i]);
        } catch (const HiveFileError&) {
            throw;
        } catch (const Error& e) {
            date.parts_[i].unreadable = e;  // a value of another type
        }
    }
    return date;
}

Completion RegistrationStore::complete(const Registration& registration) const {
    const HiveAction action;
    // Nothing can be stored without the state key: said before a card is printed for nothing,
    // in the words its first write would fail with.
    if (!Registry().OpenKey(keys::StateKey)) {
        throw Error(formatMessage(QStringLiteral("Failed to set data for '%s'"), keys::Name));
    }
    Completion c;
    c.registration_ = registration;
    const RegistrationRecord& r = registration.record;
    c.numbers_ = {convert::toInt(r.RecBirthY),     convert::toInt(r.RecBirthM),
                  convert::toInt(r.RecBirthD),     convert::toInt(r.RecSex),
                  convert::toInt(r.RecOccupation), convert::toInt(r.RecPos)};
    checkRoom(static_cast<int>(registration.products.size()));
    c.purchaseDates_.reserve(registration.products.size());
    for (const ProductEntry& p : registration.products) {
        c.purchaseDates_.append(p.isComplete() ? std::array{convert::toInt(p.PurchaseY),
                                                            convert::toInt(p.PurchaseM),
                                                            convert::toInt(p.PurchaseD)}
                                               : std::array{0, 0, 0});
    }
    RegistrationContext context;
    context.firstRun = firstRunDate().required();
    context.fast = isFastRegistration(context.firstRun, LocalClock::today(), settings::bonusDays());
    context.version = settings::versionText();
    c.string_ = registrationString(registration, context);
    return c;
}

void RegistrationStore::save(const Completion& c, Reminder reminder) const {
    const HiveAction action;
    const Registration& registration = c.registration_;
    const RegistrationRecord& r = registration.record;
    const Completion::Numbers& n = c.numbers_;
    HiveTransaction transaction;
    Registry reg;
    reg.OpenKey(keys::StateKey);
    reg.WriteString(keys::Name, r.RecName);
    reg.WriteString(keys::CompName, r.RecCompName);
    reg.WriteInteger(keys::BirthdayY, n.birthY);
    reg.WriteInteger(keys::BirthdayM, n.birthM);
    reg.WriteInteger(keys::BirthdayD, n.birthD);
    reg.WriteInteger(keys::Sex, n.sex);
    reg.WriteInteger(keys::Occupation, n.occupation);
    reg.WriteInteger(keys::Pos, n.pos);
    reg.WriteString(keys::Zip, r.RecZip);
    reg.WriteString(keys::Area1, r.RecArea1);
    reg.WriteString(keys::Area2, r.RecArea2);
    reg.WriteString(keys::Addr, r.RecAddr);
    reg.WriteString(keys::EAddr, r.RecEAddr);
    reg.WriteString(keys::PrePhone, r.RecPrePhone);
    reg.WriteString(keys::Phone, r.RecPhone);
    reg.WriteString(keys::ExtPhone, r.RecExtPhone);
    reg.WriteString(keys::PreFax, r.RecPreFax);
    reg.WriteString(keys::Fax, r.RecFax);
    reg.WriteString(keys::PreMPhone, r.RecPreMPhone);
    reg.WriteString(keys::MPhone, r.RecMPhone);
    if (registration.person) {
        reg.WriteString(keys::PersonalId, r.RecPersonalId);
        reg.WriteInteger(keys::Education, convert::toInt(r.RecEducation));
        reg.WriteInteger(keys::OwnerType, 0);
        reg.WriteInteger(keys::CompanyCapital, 0);
    } else {
        reg.WriteInteger(keys::CompanyScale, registration.companyScaleIndex);
        reg.WriteInteger(keys::CompanyCapital, registration.companyCapitalIndex);
        reg.WriteString(keys::CompanyId, r.RecCompanyId);
        reg.WriteInteger(keys::OwnerType, 1);
        reg.WriteString(keys::PersonalId, QString());
    }

    // Counted again inside the transaction: another program may have stored products since.
    const int count = static_cast<int>(registration.products.size());
    const int old = number(reg, keys::ProductCount);
    checkCount(old, count);
    reg.WriteInteger(keys::ProductCount, old + count);
    for (int k = 0; k < count; ++k) {
        const ProductEntry& p = registration.products[k];
        if (!p.isComplete()) {
            continue;  // counted, neither stored nor sent
        }
        const int m = old + k + 1;
        const std::array<int, 3>& date = c.purchaseDates_[k];
        reg.WriteInteger(keys::numbered(keys::PurchaseYPrefix, m), date[0]);
        reg.WriteInteger(keys::numbered(keys::PurchaseMPrefix, m), date[1]);
        reg.WriteInteger(keys::numbered(keys::PurchaseDPrefix, m), date[2]);
        reg.WriteString(keys::numbered(keys::ProdCdPrefix, m), p.ProdCd);
        reg.WriteString(keys::numbered(keys::PrinterTypePrefix, m), p.PrinterType);
        reg.WriteString(keys::numbered(keys::ChnlIdPrefix, m), p.ChnlId);
    }
    reg.WriteString(keys::RegStr, c.string_);
    if (reminder == Reminder::Remove) {
        removeReminder();
    }
    transaction.commit();
}

StoredEntries RegistrationStore::lastEntries() const {
    const HiveAction action;
    StoredEntries e;
    Registry reg;
    if (!reg.OpenKey(keys::StateKey)) {
        return e;
    }
    const int n = number(reg, keys::ProductCount);
    e.name = text(reg, keys::Name);
    e.compName = text(reg, keys::CompName);
    e.birthY = number(reg, keys::BirthdayY);
    e.birthM = number(reg, keys::BirthdayM);
    e.birthD = number(reg, keys::BirthdayD);
    e.sex = number(reg, keys::Sex);
    e.area1 = text(reg, keys::Area1);
    e.area2 = text(reg, keys::Area2);
    e.addr = text(reg, keys::Addr);
    e.eAddr = text(reg, keys::EAddr);
    e.prePhone = text(reg, keys::PrePhone);
    e.phone = text(reg, keys::Phone);
    e.extPhone = text(reg, keys::ExtPhone);
    e.preFax = text(reg, keys::PreFax);
    e.fax = text(reg, keys::Fax);
    e.preMPhone = text(reg, keys::PreMPhone);
    e.mPhone = text(reg, keys::MPhone);
    e.printerType = text(reg, keys::numbered(keys::PrinterTypePrefix, n));
    e.prodCd = text(reg, keys::numbered(keys::ProdCdPrefix, n));
    e.chnlId = text(reg, keys::numbered(keys::ChnlIdPrefix, n));
    e.purchaseY = number(reg, keys::numbered(keys::PurchaseYPrefix, n));
    e.purchaseM = number(reg, keys::numbered(keys::PurchaseMPrefix, n));
    e.purchaseD = number(reg, keys::numbered(keys::PurchaseDPrefix, n));
    e.registration = text(reg, keys::RegStr);
    e.person = e.registration.contains(QStringLiteral("ownertype=0"));
    // Only the values the owner's side of the form uses are read.
    if (e.person) {
        e.education = number(reg, keys::Education);
        e.occupation = number(reg, keys::Occupation);
        e.pos = number(reg, keys::Pos);
    } else {
        e.occupation = number(reg, keys::Occupation);
        e.pos = number(reg, keys::Pos);
        e.companyScale = number(reg, keys::CompanyScale);
        e.companyCapital = number(reg, keys::CompanyCapital);
    }
    return e;
}

bool RegistrationStore::uploadFailed() const {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    return reg.ReadString(keys::UploadFail) == QStringLiteral("y");
}

QString RegistrationStore::storedString() const {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    return reg.ReadString(keys::RegStr);
}

void RegistrationStore::recordUpload(bool failed, const QString& posted) const {
    const HiveAction action;
    HiveTransaction transaction;
    Registry reg;
    if (failed) {
        reg.OpenKey(keys::StateKey);
        reg.WriteString(keys::RegStr, posted);
        reg.WriteString(keys::UploadFail, QStringLiteral("y"));
    } else {
        removeReminder();
        reg.OpenKey(keys::StateKey);
        reg.WriteString(keys::UploadFail, QStringLiteral("n"));
        reg.WriteInteger(keys::VaccineInstalled, -1);
        const RegUtils utils;
        utils.SetRegDate();
        utils.SetNotifyHide();
    }
    transaction.commit();
}

void RegistrationStore::remindLater() const {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    reg.WriteString(keys::IsRemind, QStringLiteral("y"));
}

void RegistrationStore::removeReminder() const {
    Registry reg;
    reg.OpenKey(keys::RunKey);
    reg.DeleteValue(keys::RunValue);
}
