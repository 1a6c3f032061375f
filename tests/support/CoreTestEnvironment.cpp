#include "CoreTestEnvironment.h"

#include "core/Cp950.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Hive.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

CoreTestEnvironment::CoreTestEnvironment(bool withData) {
    QDir().mkpath(driveC());
    QDir().mkpath(programFolder());
    Hive::setPath(hivePath());
    paths::setDriveC(driveC());
    paths::setProgramFolder(programFolder());
    LocalClock::reset();
    shell::setLauncher([this](const QString& program, const QString& parameter) {
        launched.append({program, parameter});
    });
    if (withData) {
        QDirIterator it(sourceData(), QDir::Files);
        while (it.hasNext()) {
            const QString from = it.next();
            QFile::copy(from, programFolder() + u'/' + QFileInfo(from).fileName());
        }
    }
}

CoreTestEnvironment::~CoreTestEnvironment() {
    Hive::setPath(QString());
    paths::setDriveC(QString());
    paths::setProgramFolder(QString());
    LocalClock::reset();
    shell::setLauncher({});
    files::setRenameNoReplace({});
}

void CoreTestEnvironment::writeFile(const QString& path, const QByteArray& bytes) const {
    const QString full = root() + u'/' + path;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(full));
    }
}

void CoreTestEnvironment::writeText(const QString& path, const QString& text) const {
    writeFile(path, cp950::encode(text));
}

void CoreTestEnvironment::writeRegset(const QString& text) const {
    writeText(QStringLiteral("program/regset.ini"), text);
}

QString CoreTestEnvironment::sourceData() {
    return QStringLiteral(ORVEX_SOURCE_DIR "/data");
}

namespace {

QString dumpKey(qint64 key, const QString& name) {
    QString out = u'[' + name + u']';
    for (const Hive::Value& v : Hive::instance().values(key)) {
        out += v.name + u'=' + QString::number(v.type) + u':' +
               QString::fromLatin1(v.data.toHex()) + u';';
    }
    for (const QString& child : Hive::instance().subkeys(key)) {
        out += dumpKey(*Hive::instance().findKey(key, child), name + u'\\' + child);
    }
    return out;
}

}  // namespace

QString CoreTestEnvironment::hiveDump() {
    return dumpKey(Hive::kRoot, QString());
}

bool setReadOnly(const QString& path, bool on) {
    const QByteArray native = QFile::encodeName(path);
    QFile::setPermissions(path, on ? QFile::ReadOwner | QFile::ExeOwner
                                   : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const int fd = ::open(native.constData(), O_RDONLY);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
    return ::access(native.constData(), W_OK) != 0;
}

QString errorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}
