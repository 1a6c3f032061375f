#include "Startup.h"

#include "core/Cp950.h"
#include "core/Keys.h"
#include "core/RegUtils.h"
#include "core/Registry.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"

#include <QFileInfo>
#include <QList>

namespace startup {
namespace {

const QString kFileList = QStringLiteral("FileList.txt");

// "2005/3/7 14:05:09" cut after its first blank: "2005/3/7 ".
QString dateText() {
    const QDateTime now = LocalClock::now();
    const QString text =
        LocalClock::shortDate(now.date()) + u' ' + LocalClock::longTime(now.time());
    return text.left(text.indexOf(u' ') + 1);
}

void writeFirstRunDate(Registry& reg, const QString& text) {
    const QDate today = LocalClock::today();
    reg.WriteString(keys::FirstRunDate, text);
    reg.WriteString(keys::FirstRunYear, QString::number(today.year()));
    reg.WriteString(keys::FirstRunMonth, QString::number(today.month()));
    reg.WriteString(keys::FirstRunDay, QString::number(today.day()));
}

QList<QByteArray> readList(const QString& path) {
    const auto lines = files::readLines(path);
    if (!lines) {
        throw Error(formatMessage(QStringLiteral("Cannot open file %s"), path));
    }
    return *lines;
}

// Copies each listed file from the source folder into the install folder; a failed copy
// is passed over.
void copyListed(const QString& sourceFolder, const QList<QByteArray>& lines) {
    const QString install = paths::local(keys::InstallFolder);
    QList<std::pair<QString, QString>> copies;
    for (const QByteArray& line : lines) {
        const auto name = listedName(line);
        if (!name) {
            continue;
        }
        const QString from = sourceFolder.isEmpty() ? *name : paths::join(sourceFolder, *name);
        copies.append({from, paths::join(install, *name)});
    }
    files::copyFiles(copies);
}

// The maker's folder with the install folder in it, unless the maker's folder exists.
void makeInstallFolder() {
    const QString maker = paths::local(keys::MakerFolder);
    if (files::folderExists(maker)) {
        return;
    }
    paths::ensureDrive();
    if (!files::createFolderWith(maker, QFileInfo(paths::local(keys::InstallFolder)).fileName())) {
        throw Error(QStringLiteral("Cannot create directory."));
    }
}

void installListedFiles(const QString& programFolder) {
    makeInstallFolder();
    // From the current folder when it holds a list, else from the medium's chinese/orvexreg.
    const QString source = files::fileExists(kFileList)
                               ? QString()
                               : paths::join(programFolder, QStringLiteral("chinese/orvexreg"));
    copyListed(source, readList(paths::join(programFolder, kFileList)));
}

void recordFirstRun(Registry& reg, const QString& text) {
    HiveTransaction transaction;
    reg.CreateKey(QStringLiteral("quillmarsh"));
    reg.CreateKey(QStringLiteral("quillmarsh\\OXReg"));
    reg.CreateKey(QStringLiteral("quillmarsh\\Nimbrel"));
    reg.OpenKey(QStringLiteral("quillmarsh\\OXReg"));
    writeFirstRunDate(reg, text);
    reg.WriteInteger(keys::VaccineInstalled, 1);
    transaction.commit();
    reg.CloseKey();
}

}  // namespace

std::optional<QString> listedName(const QByteArray& line) {
    QString name = cp950::decode(line);
    name.replace(u'\\', u'/');
    if (name.startsWith(u'/') || (name.size() >= 2 && name[1] == u':')) {
        return std::nullopt;
    }
    for (const QString& part : name.split(u'/')) {
        if (part == QStringLiteral("..")) {
            return std::nullopt;
        }
    }
    return name;
}

void upgradeStep() {
    const RegUtils utils;
    if (!files::folderExists(paths::local(keys::MakerFolder)) ||
        !files::fileExists(
            paths::join(paths::local(keys::InstallFolder), QStringLiteral("regset.ini"))) ||
        !(utils.GetVerNo() < 3.5)) {
        return;
    }
    // Without a state key this user never ran the program: the first-run step records
    // everything, so only the files are refreshed here.
    Registry reg;
    const bool known = reg.OpenKey(keys::StateKey);
    if (known) {
        writeFirstRunDate(reg, dateText());
        reg.CloseKey();
    }
    copyListed(paths::programFolder(), readList(utils.GetExePath() + kFileList));
    if (!known) {
        return;
    }
    if (utils.HasUserData()) {
        utils.SetRegDate();
        utils.SetNotifyHide();
        if (utils.GetRegDate() != 0) {
            utils.ShellOpen(keys::NotifyProgram, QStringLiteral("hide"));
        }
    } else {
        reg.OpenKey(keys::RunKey);
        reg.WriteString(keys::RunValue, keys::NotifyCommand);
        reg.CloseKey();
    }
}

void firstRunStep(const QString& programFolder) {
    Registry reg;
    // HKEY_CURRENT_USER\software always exists on Windows; a new hive gets it here.
    if (!reg.OpenKey(keys::Software)) {
        reg.OpenKey(keys::Software, true);
    }
    if (reg.KeyExists(QStringLiteral("quillmarsh\\OXReg"))) {
        return;
    }
    const QString text = dateText();
    // The keys and first-run values are committed only once the listed files are in place:
    // a start that ends before leaves no key, so the next start does the whole first run
    // again. A set-up that fails with an error records them all the same, and is not redone.
    try {
        installListedFiles(programFolder);
    } catch (...) {
        recordFirstRun(reg, text);
        throw;
    }
    recordFirstRun(reg, text);
}

void ensureRunKey() {
    Registry reg;
    if (!reg.KeyExists(keys::RunKey)) {
        reg.CreateKey(keys::RunKey);
    }
}

void registerReminder() {
    ensureRunKey();
    Registry reg;
    reg.OpenKey(keys::RunKey);
    if (!reg.ValueExists(keys::RunValue)) {
        reg.WriteString(keys::RunValue, keys::NotifyCommand);
    }
    reg.CloseKey();
}

}  // namespace startup
