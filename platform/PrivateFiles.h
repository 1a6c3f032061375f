#pragma once

#include <QString>

// Files that hold personal data are kept from other users, as the per-user access control of
// the Windows registry keeps a hive: the file 0600, in a folder of its own made 0700.
namespace privatefiles {

// Makes every missing level of folder with mode 0700; levels that exist are left as they are.
// False, with errno set, when a level cannot be made.
bool makeFolders(const QString& folder);

// Creates path empty with mode 0600 when it is missing (its folder must exist). A file that
// exists and belongs to this user loses any access of group and others, and so do its SQLite
// companions (-wal, -shm). False, with errno set, when the file cannot be created.
bool secure(const QString& path);

}  // namespace privatefiles
