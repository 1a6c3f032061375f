#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The steps of the start-up sequence that set the program up on this computer.
namespace startup {

// An older installation (installed regset.ini below 3.5): first-run date to today, the
// listed files copied over the installation, the reminder switched to "hide".
void upgradeStep();
// The first start of a user: keys, first-run date, install folder and its files.
void firstRunStep(const QString& programFolder);
// The Run key always exists on Windows; a new hive gets it before anything writes into it.
void ensureRunKey();
// Puts the reminder's Run value back when it is missing.
void registerReminder();

// The local name of a FileList.txt line below a folder; nullopt for a line that would leave
// the folder (an absolute path, a drive letter, a ".." part).
std::optional<QString> listedName(const QByteArray& line);

}  // namespace startup
