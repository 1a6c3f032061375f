#pragma once

#include <QString>
#include <QStringList>

// The keys of regset.ini that the program reads, each use with its own file and default.
namespace settings {

// regset.ini of the program folder, and of the install folder.
QString programIni();
QString installedIni();

// Main window caption: [version] Title, default "ORVEX產品註冊".
QString windowTitle();
// Head of the card's dates line: [version] Title, default empty.
QString cardTitle();
// Installed version for the upgrade test: [version] verNo as a number, default 3.5.
double installedVersion();
// Version field of the registration string: [version] verNo as text, default "3.00".
QString versionText();

QString formTitle1();
QString formTitle2();
QString defaultModel();
QString defaultSerial();

// A list section with codes: the key names in file order and, for each, its value; a code
// that cannot be read falls back to the entry's 1-based position.
struct CodedList {
    QStringList items;
    QStringList codes;
};
QStringList educationList();
CodedList occupationList();
CodedList positionList();
CodedList companyScaleList();
CodedList companyCapitalList();

// Five lines each (line1 .. line5), empty by default.
QStringList cardHeaderLines();
QStringList failMessageLines();
QStringList okMessageLines();

// [OnlineRegist] ASPURL of the given settings file, default empty.
QString uploadAddress(const QString& iniPath);
// [SpecialBonus] days, default 7.
int bonusDays();

}  // namespace settings
