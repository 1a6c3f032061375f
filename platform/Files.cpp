#include "Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryFile>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace files {
namespace {

int systemRenameNoReplace(const QString& from, const QString& to) {
    return ::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                       QFile::encodeName(to).constData(), RENAME_NOREPLACE) == 0
               ? 0
               : errno;
}

RenameNoReplace& renameNoReplace() {
    static RenameNoReplace rename = systemRenameNoReplace;
    return rename;
}

// A file system that cannot flush (some FUSE ones) has nothing to flush.
bool flushed(int result) {
    return result == 0 || errno == EINVAL || errno == ENOSYS;
}

// Makes the entries of a folder (files created, renamed or removed in it) durable.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void setRenameNoReplace(RenameNoReplace rename) {
    renameNoReplace() = rename ? std::move(rename) : systemRenameNoReplace;
}

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
    const QString whole = path + u'/' + inner;
    if (createFolder(staging + u'/' + inner)) {
        int error = renameNoReplace()(staging, path);
        // NFS, eCryptfs and FUSE file systems refuse the flag. A plain rename replaces no
        // folder that holds anything, so it cannot take away a folder another start made.
        if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
            error = ::rename(QFile::encodeName(staging).constData(),
                             QFile::encodeName(path).constData()) == 0
                        ? 0
                        : errno;
        }
        if (error == 0) {
            syncFolder(path);
            syncFolder(info.absolutePath());
            return true;
        }
    }
    QDir(staging).removeRecursively();
    // Another start running at the same time put its folder in place first.
    return folderExists(whole);
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

// A copy written whole into a new hidden file beside its target, its writing to the disk
// started but not waited for.
struct Pending {
    std::unique_ptr<QTemporaryFile> temp;
    QString target;
};

std::optional<Pending> writeBeside(const QString& from, const QString& to) {
    if (!fileExists(from) || to.isEmpty() || QFileInfo(to).isDir()) {
        return std::nullopt;
    }
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QFileInfo target(to);
    auto temp = std::make_unique<QTemporaryFile>(target.absolutePath() + QStringLiteral("/.") +
                                                 target.fileName() + QStringLiteral(".XXXXXX"));
    temp->setAutoRemove(false);
    if (!temp->open()) {
        return std::nullopt;
    }
    constexpr qint64 kChunk = 1 << 16;
    bool ok = true;
    while (ok && !source.atEnd()) {
        const QByteArray chunk = source.read(kChunk);
        ok = !(chunk.isEmpty() && source.error() != QFileDevice::NoError) &&
             temp->write(chunk) == chunk.size();
    }
    // A listed program must stay a program.
    ok = temp->flush() && temp->setPermissions(source.permissions()) && ok;
    if (!ok) {
        temp->remove();
        return std::nullopt;
    }
    // Every file goes to the disk at once; the waits for them then overlap.
    ::sync_file_range(temp->handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
    return Pending{std::move(temp), to};
}

// The copy on the disk, then in place of its target.
bool place(Pending& pending) {
    QTemporaryFile& temp = *pending.temp;
    const bool synced = flushed(::fdatasync(temp.handle()));
    temp.close();
    if (synced && ::rename(QFile::encodeName(temp.fileName()).constData(),
                           QFile::encodeName(pending.target).constData()) == 0) {
        return true;
    }
    temp.remove();
    return false;
}

}  // namespace

bool copyFile(const QString& from, const QString& to) {
    return copyFiles({{from, to}}).front();
}

QList<bool> copyFiles(const QList<std::pair<QString, QString>>& copies) {
    std::vector<std::optional<Pending>> written;
    written.reserve(static_cast<size_t>(copies.size()));
    for (const auto& [from, to] : copies) {
        written.push_back(writeBeside(from, to));
    }
    QList<bool> copied;
    QSet<QString> folders;
    for (auto& pending : written) {
        const bool ok = pending && place(*pending);
        if (ok) {
            folders.insert(QFileInfo(pending->target).absolutePath());
        }
        copied.append(ok);
    }
    for (const QString& folder : folders) {
        syncFolder(folder);
    }
    return copied;
}

}  // namespace files
