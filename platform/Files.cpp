#include "Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

namespace files {

bool folderExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool fileExists(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool createFolder(const QString& path) {
    return !path.isEmpty() && QDir().mkdir(path);
}

bool createFolderWith(const QString& path, const QString& inner) {
    if (path.isEmpty() || inner.isEmpty()) {
        return false;
    }
    // Made under a hidden name and renamed: a start that ends half-way leaves no folder
    // without its inner one.
    const QFileInfo info(path);
    const QString staging = info.absolutePath() + QStringLiteral("/.") + info.fileName() + u'.' +
                            QString::number(QRandomGenerator::global()->generate(), 36);
    if (!createFolder(staging)) {
        return false;
    }
    if (createFolder(staging + u'/' + inner) &&
        ::renameat2(AT_FDCWD, QFile::encodeName(staging).constData(), AT_FDCWD,
                    QFile::encodeName(path).constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    QDir(staging).removeRecursively();
    return false;
}

std::optional<QByteArray> readAll(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

std::optional<QList<QByteArray>> readLines(const QString& path) {
    const auto bytes = readAll(path);
    if (!bytes) {
        return std::nullopt;
    }
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = bytes->size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes->at(i);
        if (c == '\r' || c == '\n') {
            lines.append(bytes->mid(start, i - start));
            if (c == '\r' && i + 1 < n && bytes->at(i + 1) == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < n) {
        lines.append(bytes->mid(start));
    }
    return lines;
}

namespace {

struct Pending {
    QString temp;
    QString target;
};

// The source written whole into a new hidden file beside the target, not yet flushed.
std::optional<Pending> writeBeside(const QString& from, const QString& to) {
    if (!fileExists(from) || to.isEmpty() || QFileInfo(to).isDir()) {
        return std::nullopt;
    }
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QFileInfo target(to);
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(false);
    if (!temp.open()) {
        return std::nullopt;
    }
    constexpr qint64 kChunk = 1 << 16;
    bool ok = true;
    while (ok && !source.atEnd()) {
        const QByteArray chunk = source.read(kChunk);
        ok = !(chunk.isEmpty() && source.error() != QFileDevice::NoError) &&
             temp.write(chunk) == chunk.size();
    }
    // A listed program must stay a program.
    ok = temp.flush() && temp.setPermissions(source.permissions()) && ok;
    temp.close();
    if (!ok) {
        temp.remove();
        return std::nullopt;
    }
    return Pending{temp.fileName(), to};
}

// Open descriptors of the target folders, closed when it ends.
class Folders {
public:
    ~Folders() {
        for (const int fd : fds_) {
            ::close(fd);
        }
    }
    void add(const QString& folder) {
        if (seen_.contains(folder)) {
            return;
        }
        seen_.insert(folder);
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0) {
            fds_.append(fd);
        }
    }
    // One sync of each file system the folders lie on writes every file made in them.
    void syncFileSystems() const {
        QSet<dev_t> synced;
        for (const int fd : fds_) {
            struct stat info {};
            if (::fstat(fd, &info) == 0 && !synced.contains(info.st_dev)) {
                synced.insert(info.st_dev);
                ::syncfs(fd);
            }
        }
    }
    // The renames made in the folders.
    void syncEntries() const {
        for (const int fd : fds_) {
            ::fsync(fd);
        }
    }

private:
    QSet<QString> seen_;
    QList<int> fds_;
};

}  // namespace

bool copyFile(const QString& from, const QString& to) {
    return copyFiles({{from, to}}).front();
}

QList<bool> copyFiles(const QList<std::pair<QString, QString>>& copies) {
    QList<std::optional<Pending>> written;
    Folders folders;
    for (const auto& [from, to] : copies) {
        written.append(writeBeside(from, to));
        if (written.back()) {
            folders.add(QFileInfo(to).absolutePath());
        }
    }
    folders.syncFileSystems();
    QList<bool> copied;
    for (const auto& pending : written) {
        bool ok = false;
        if (pending) {
            ok = ::rename(QFile::encodeName(pending->temp).constData(),
                          QFile::encodeName(pending->target).constData()) == 0;
            if (!ok) {
                QFile::remove(pending->temp);
            }
        }
        copied.append(ok);
    }
    folders.syncEntries();
    return copied;
}

}  // namespace files
