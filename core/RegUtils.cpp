#include "RegUtils.h"

#include "Keys.h"
#include "Settings.h"
#include "core/Convert.h"
#include "core/Cp950.h"
#include "core/Registry.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

QString RegUtils::GetExePath() const {
    return paths::exePath();
}

double RegUtils::GetVerNo() const {
    return settings::installedVersion();
}

int RegUtils::GetProductCount() const {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    return reg.ValueExists(keys::ProductCount) ? reg.ReadInteger(keys::ProductCount) : 0;
}

int RegUtils::GetRegInt(const QString& name) const {
    Registry reg;
    if (!reg.OpenKey(keys::StateKey)) {
        return 0;
    }
    return reg.ValueExists(name) ? reg.ReadInteger(name) : 0;
}

QString RegUtils::GetRegString(const QString& name) const {
    Registry reg;
    if (!reg.OpenKey(keys::StateKey)) {
        return {};
    }
    return reg.ValueExists(name) ? reg.ReadString(name) : QString();
}

bool RegUtils::IsSerialRegistered(const QString& serial) const {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    if (!reg.ValueExists(keys::ProductCount)) {
        return false;
    }
    const int count = reg.ReadInteger(keys::ProductCount);
    const auto wanted = cp950::tryEncode(serial);
    // One look at the serials stored, whatever the count claims: it runs on every key release.
    return wanted && reg.ReadNumberedBytes(keys::ProdCdPrefix, count).contains(*wanted);
}

void RegUtils::SetNotifyHide() const {
    Registry reg;
    reg.OpenKey(keys::RunKey);
    reg.WriteString(keys::RunValue, keys::NotifyHideCommand);
}

std::int64_t RegUtils::NowStamp() const {
    const QDateTime now = LocalClock::now();
    const QDate d = now.date();
    const QTime t = now.time();
    return (static_cast<std::int64_t>(d.year()) - 2000) * 100000000 + d.month() * 1000000LL +
           d.day() * 10000LL + t.hour() * 100LL + t.minute();
}

void RegUtils::SetRegDate() const {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    QString stamp = QString::number(NowStamp());
    if (stamp.size() < 10) {
        stamp.prepend(u'0');
    }
    reg.WriteString(keys::RegDate, stamp);
}

std::int64_t RegUtils::GetRegDate() const {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    if (!reg.ValueExists(keys::RegDate)) {
        return 0;
    }
    return convert::toInt64(reg.ReadString(keys::RegDate));
}

void RegUtils::ShellOpen(const QString& program, const QString& parameter) const {
    shell::open(program, parameter);
}

bool RegUtils::HasUserData() const {
    Registry reg;
    reg.OpenKey(keys::StateKey);
    return reg.ValueExists(keys::Name);
}
