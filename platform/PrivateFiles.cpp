#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace privatefiles {
namespace {

void ownerOnly(const QByteArray& native) {
    struct stat st {};
    if (::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & 077) != 0) {
        ::chmod(native.constData(), st.st_mode & 07700);
    }
}

}  // namespace

bool makeFolders(const QString& folder) {
    QStringList missing;
    QString level = QDir::cleanPath(QDir(folder).absolutePath());
    struct stat st {};
    while (::stat(QFile::encodeName(level).constData(), &st) != 0) {
        if (errno != ENOENT) {
            return false;
        }
        missing.prepend(level);
        level = QFileInfo(level).path();
    }
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    for (const QString& path : missing) {
        const QByteArray native = QFile::encodeName(path);
        if (::mkdir(native.constData(), 0700) == 0) {
            ::chmod(native.constData(), 0700);  // whatever the umask took away
        } else if (errno != EEXIST) {
            return false;
        }
    }
    return true;
}

bool secure(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
        return true;
    }
    if (errno != EEXIST) {
        return false;
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        ownerOnly(native + suffix);
    }
    return true;
}

}  // namespace privatefiles
