#include "TestEnvironment.h"

#include "controls/TCppWebBrowser.h"
#include "platform/Cp950.h"
#include "platform/Files.h"
#include "platform/Hive.h"
#include "platform/Lifetime.h"
#include "platform/LocalClock.h"
#include "platform/Paths.h"
#include "platform/PrintEngine.h"
#include "platform/Shell.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

TestEnvironment::TestEnvironment(bool withData) {
    QDir().mkpath(driveC());
    QDir().mkpath(programFolder());
    Hive::setPath(hivePath());
    paths::setDriveC(driveC());
    paths::setProgramFolder(programFolder());
    LocalClock::reset();
    msg::setBoxes(&boxes);
    shell::setLauncher([this](const QString& program, const QString& parameter) {
        launched.append({program, parameter});
    });
    shell::setUrlOpener([this](const QUrl& url) { openedUrls.append(url); });
    lifetime::reset();
    // No test ever waits on a real print dialog: cards go into a PDF file in the sandbox.
    printing::reset();
    printing::setPdfOutput(cardPdf());
    if (withData) {
        QDirIterator it(sourceData(), QDir::Files);
        while (it.hasNext()) {
            const QString from = it.next();
            QFile::copy(from, programFolder() + u'/' + QFileInfo(from).fileName());
        }
    }
}

TestEnvironment::~TestEnvironment() {
    Hive::setPath(QString());
    paths::setDriveC(QString());
    paths::setProgramFolder(QString());
    LocalClock::reset();
    msg::setBoxes(nullptr);
    shell::setLauncher({});
    shell::setUrlOpener({});
    lifetime::reset();
    printing::reset();
    TCppWebBrowser::setTransferTimeoutMs(30000);
    files::setRenameNoReplace({});
}

void TestEnvironment::writeFile(const QString& path, const QByteArray& bytes) const {
    const QString full = root() + u'/' + path;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(full));
    }
}

void TestEnvironment::writeText(const QString& path, const QString& text) const {
    writeFile(path, cp950::encode(text));
}

void TestEnvironment::writeRegset(const QString& text) const {
    writeText(QStringLiteral("program/regset.ini"), text);
}

QString TestEnvironment::sourceData() {
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

QString TestEnvironment::hiveDump() {
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
