#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
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
// when it fails, neither. A folder with `inner` in it that another process put in place
// meanwhile counts as made. False when it fails, the parent is missing or the folder exists
// without `inner`.
bool createFolderWith(const QString& path, const QString& inner);

// Moves a folder to a name that must not exist yet: 0, or the errno of the failure. The
// system's renameat2(RENAME_NOREPLACE) unless a test has put a stand-in in its place; an
// empty function restores the system's.
using RenameNoReplace = std::function<int(const QString& from, const QString& to)>;
void setRenameNoReplace(RenameNoReplace rename);
std::optional<QByteArray> readAll(const QString& path);
// Lines split at CR, LF or CR LF, bytes as they stand; nullopt when the file cannot be opened.
std::optional<QList<QByteArray>> readLines(const QString& path);
// Copies over an existing target; the target is replaced whole or left as it was.
bool copyFile(const QString& from, const QString& to);

// Copies each (source, target) pair over an existing target, in order; each target is
// replaced whole or left as it was, and every copy made is on disk when this returns. All
// copies are written to temporary files first, each flushed on its own before it is renamed
// into place, and the target folders after; nothing else on the disk is flushed. One result
// per pair: true when it was copied.
QList<bool> copyFiles(const QList<std::pair<QString, QString>>& copies);

}  // namespace files
