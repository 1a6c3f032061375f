#include "WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

namespace {

// Writes are gathered into pieces of this size: a PDF writer hands over many small ones.
constexpr qsizetype kPiece = 64 * 1024;

}  // namespace

WholeFile::~WholeFile() {
    discard();
}

bool WholeFile::open(OpenMode mode) {
    if (fd_ >= 0 || !(mode & WriteOnly) || (mode & ReadOnly)) {
        return false;
    }
    if (path_.isEmpty()) {
        return fail(ENOENT);
    }
    // A link is followed, so that the file it names is replaced and the link stays.
    const QString canonical = QFileInfo(path_).canonicalFilePath();
    target_ = QFile::encodeName(canonical.isEmpty() ? path_ : canonical);
    struct stat status {};
    mode_t permissions = 0666;
    bool exists = false;
    if (::stat(target_.constData(), &status) == 0) {
        exists = true;
        if (S_ISDIR(status.st_mode)) {
            return fail(EISDIR);
        }
        if (::access(target_.constData(), W_OK) != 0) {
            return fail(errno);
        }
        // A pipe would wait for a reader, a socket never takes a file.
        if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
            return fail(ENXIO);
        }
        if (!S_ISREG(status.st_mode)) {
            fd_ = ::open(target_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            return fd_ >= 0 ? QIODevice::open(WriteOnly | Unbuffered) : fail(errno);
        }
        permissions = status.st_mode & 07777;
    } else if (errno != ENOENT) {
        return fail(errno);
    }
    // Hidden beside the target, so that a crash leaves no stray card in the user's sight; a
    // short name of its own, so that any name the file system takes for the card works.
    const QByteArray hidden = folder() + "/.orvexreg-";
    do {
        temp_ = hidden + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd_ = ::open(temp_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
    } while (fd_ < 0 && errno == EEXIST);
    if (fd_ < 0) {
        temp_.clear();
        return fail(errno, true);
    }
    // A file that is replaced keeps its permissions; a new one gets those the umask leaves.
    if (exists) {
        ::fchmod(fd_, permissions);
    }
    return QIODevice::open(WriteOnly | Unbuffered);
}

qint64 WholeFile::writeData(const char* data, qint64 size) {
    if (error_ != 0 || fd_ < 0) {
        return -1;
    }
    pending_.append(data, size);
    if (pending_.size() >= kPiece && !writePending()) {
        return -1;
    }
    return size;
}

bool WholeFile::writePending() {
    const char* data = pending_.constData();
    qsizetype left = pending_.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        data += written;
        left -= written;
    }
    pending_.clear();
    return true;
}

bool WholeFile::commit() {
    if (fd_ < 0 || error_ != 0 || !writePending()) {
        discard();
        return false;
    }
    // A disk that fills up may say so only when the data reach it.
    if (!temp_.isEmpty() && ::fsync(fd_) != 0) {
        fail(errno);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && error_ == 0) {
        fail(errno);
    }
    if (error_ == 0 && !temp_.isEmpty() && ::rename(temp_.constData(), target_.constData()) != 0) {
        fail(errno, true);
    }
    if (error_ != 0) {
        discard();
        return false;
    }
    if (!temp_.isEmpty()) {
        temp_.clear();
        syncFolder();
    }
    QIODevice::close();
    return true;
}

QByteArray WholeFile::folder() const {
    const qsizetype slash = target_.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target_.left(slash);
}

// The new name is on disk only once the folder is: a crash right after the print would
// otherwise lose the card, or bring back the one it replaced.
void WholeFile::syncFolder() {
    const int dir = ::open(folder().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool WholeFile::fail(int error, bool inFolder) {
    if (error_ == 0) {
        error_ = error;
        folderFailed_ = inFolder;
        setErrorString(qt_error_string(error));
    }
    return false;
}

void WholeFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.isEmpty()) {
        ::unlink(temp_.constData());
        temp_.clear();
    }
    pending_.clear();
    if (isOpen()) {
        QIODevice::close();
    }
}
