#include "Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

bool copyFile(const QString& from, const QString& to) {
    if (!fileExists(from) || to.isEmpty() || QFileInfo(to).isDir()) {
        return false;
    }
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        return false;
    }
    constexpr qint64 kChunk = 1 << 16;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(kChunk);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            target.cancelWriting();
            return false;
        }
        if (target.write(chunk) != chunk.size()) {
            target.cancelWriting();
            return false;
        }
    }
    if (!target.commit()) {
        return false;
    }
    // A listed program must stay a program.
    QFile::setPermissions(to, source.permissions());
    return true;
}

}  // namespace files
