#pragma once

#include <QString>
#include <functional>

// Starting other programs the way the Windows shell's "open" verb does: detached, without
// waiting, silent when the file is missing or does not start.
namespace shell {

using Launcher = std::function<void(const QString& program, const QString& parameter)>;

// The program is given in its Windows form ("c:\...\notify.exe") and mapped here.
void open(const QString& program, const QString& parameter);
// Where a program named in Windows form lives: notify.exe is orvexreg-notify of the program
// folder; any other path maps as the drive does.
QString localProgram(const QString& program);

// Replaces the starter (tests); an empty function restores the real one.
void setLauncher(Launcher launcher);

}  // namespace shell
