#include "Settings.h"

#include "Keys.h"
#include "core/Profile.h"
#include "platform/Paths.h"

namespace settings {
namespace {

const QString kRegset = QStringLiteral("regset.ini");

IniFile program() {
    return IniFile(programIni());
}

QString text(const QString& section, const QString& key, const QString& def) {
    return program().ReadString(section, key, def);
}

// One state of the file for the names and their codes.
CodedList codedList(const QString& section) {
    const IniFile ini = program().snapshot();
    CodedList list;
    list.items = ini.ReadSection(section);
    for (qsizetype i = 0; i < list.items.size(); ++i) {
        list.codes.append(ini.ReadString(section, list.items[i], QString::number(i + 1)));
    }
    return list;
}

QStringList fiveLines(const QString& section) {
    const IniFile ini = program().snapshot();
    QStringList lines;
    for (int i = 1; i <= 5; ++i) {
        lines.append(ini.ReadString(section, QStringLiteral("line%1").arg(i), QString()));
    }
    return lines;
}

}  // namespace

QString programIni() {
    return paths::join(paths::programFolder(), kRegset);
}

QString installedIni() {
    return paths::join(paths::local(keys::InstallFolder), kRegset);
}

QString windowTitle() {
    return text(QStringLiteral("version"), QStringLiteral("Title"),
                QStringLiteral("ORVEX產品註冊"));
}

QString cardTitle() {
    return text(QStringLiteral("version"), QStringLiteral("Title"), QString());
}

double installedVersion() {
    return IniFile(installedIni())
        .ReadFloat(QStringLiteral("version"), QStringLiteral("verNo"), 3.5);
}

QString versionText() {
    return text(QStringLiteral("version"), QStringLiteral("verNo"), QStringLiteral("3.00"));
}

QString formTitle1() {
    return text(QStringLiteral("regmessages"), QStringLiteral("page1title"),
                QStringLiteral("感謝您使用 ORVEX 產品，為提供您更完整的服務，"
                               "請確實填寫您的個人資料，以免將來在享受會員"));
}

QString formTitle2() {
    return text(QStringLiteral("regmessages"), QStringLiteral("page1title2"),
                QStringLiteral("優惠或產品保固時，因身份或產品不符而影響您的權益！"));
}

QString defaultModel() {
    return text(QStringLiteral("Registdata"), QStringLiteral("printer"),
                QStringLiteral("ORVEX Vantra K20 Series"));
}

QString defaultSerial() {
    return text(QStringLiteral("Registdata"), QStringLiteral("prod_cd"), QStringLiteral("EFF"));
}

QStringList educationList() {
    return program().ReadSection(QStringLiteral("EducationList"));
}

CodedList occupationList() {
    return codedList(QStringLiteral("OccupationList"));
}

CodedList positionList() {
    return codedList(QStringLiteral("PositionList"));
}

CodedList companyScaleList() {
    return codedList(QStringLiteral("CompanyScaleList"));
}

CodedList companyCapitalList() {
    return codedList(QStringLiteral("CompanyCapitalList"));
}

QStringList cardHeaderLines() {
    return fiveLines(QStringLiteral("regprinttitle"));
}

QStringList failMessageLines() {
    return fiveLines(QStringLiteral("RegFailMsg"));
}

QStringList okMessageLines() {
    return fiveLines(QStringLiteral("RegOkMsg"));
}

QString uploadAddress(const QString& iniPath) {
    return IniFile(iniPath).ReadString(QStringLiteral("OnlineRegist"), QStringLiteral("ASPURL"),
                                       QString());
}

int bonusDays() {
    return program().ReadInteger(QStringLiteral("SpecialBonus"), QStringLiteral("days"), 7);
}

}  // namespace settings
