#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace paths {
namespace {

QString& driveOverride() {
    static QString folder;
    return folder;
}

QString& programOverride() {
    static QString folder;
    return folder;
}

}  // namespace

QString driveC() {
    if (!driveOverride().isEmpty()) {
        return driveOverride();
    }
    const QString env = qEnvironmentVariable("ORVEXREG_DRIVE_C");
    if (!env.isEmpty()) {
        return env;
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/orvexreg/drive_c");
}

void setDriveC(const QString& folder) {
    driveOverride() = folder;
}

QString programFolder() {
    if (!programOverride().isEmpty()) {
        return programOverride();
    }
    // /proc/self/exe, so a symbolic link to the program leads to its real folder.
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!exe.isEmpty()) {
        return QFileInfo(exe).absolutePath();
    }
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder) {
    programOverride() = folder;
}

QString exePath() {
    return programFolder() + u'/';
}

QString local(const QString& windowsPath) {
    QString path = windowsPath;
    path.replace(u'\\', u'/');
    if (path.size() >= 2 && path[1] == u':' && path[0].toLower() == u'c') {
        return driveC() + path.mid(2);
    }
    return path;
}

QString join(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/')) {
        return folder + name;
    }
    return folder + u'/' + name;
}

void ensureDrive() {
    QDir().mkpath(driveC() + QStringLiteral("/Program Files"));
}

}  // namespace paths
