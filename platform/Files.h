#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

// File-system operations on local paths.
namespace files {

bool folderExists(const QString& path);
// An absolute path, or a bare name looked up in the current working folder.
bool fileExists(const QString& path);
// Creates one folder level; false when it fails or the parent is missing.
bool createFolder(const QString& path);
// Creates a folder that holds one folder `inner`, in one step: both exist afterwards or,
// when it fails, neither. False when it fails, the parent is missing or the folder exists.
bool createFolderWith(const QString& path, const QString& inner);
std::optional<QByteArray> readAll(const QString& path);
// Lines split at CR, LF or CR LF, bytes as they stand; nullopt when the file cannot be opened.
std::optional<QList<QByteArray>> readLines(const QString& path);
// Copies over an existing target; the target is replaced whole or left as it was.
bool copyFile(const QString& from, const QString& to);

// Copies each (source, target) pair over an existing target, in order; each target is
// replaced whole or left as it was, and every copy made is on disk when this returns. All
// copies are written to temporary files first and flushed with one sync of their file system,
// not one per file, then renamed into place. One result per pair: true when it was copied.
QList<bool> copyFiles(const QList<std::pair<QString, QString>>& copies);

}  // namespace files
