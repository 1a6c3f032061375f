#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// File-system operations on local paths.
namespace files {

bool folderExists(const QString& path);
// An absolute path, or a bare name looked up in the current working folder.
bool fileExists(const QString& path);
// Creates one folder level; false when it fails or the parent is missing.
bool createFolder(const QString& path);
std::optional<QByteArray> readAll(const QString& path);
// Lines split at CR, LF or CR LF, bytes as they stand; nullopt when the file cannot be opened.
std::optional<QList<QByteArray>> readLines(const QString& path);
// Copies over an existing target; the target is replaced whole or left as it was.
bool copyFile(const QString& from, const QString& to);

}  // namespace files
