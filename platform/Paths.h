#pragma once

#include <QString>

// Where the Windows locations of the program live on this system. Tests may point the drive
// folder and the program folder elsewhere; passing an empty text restores the real ones.
namespace paths {

// The folder that stands for "c:\": $ORVEXREG_DRIVE_C, else $XDG_DATA_HOME/orvexreg/drive_c.
QString driveC();
void setDriveC(const QString& folder);

// Folder of the running program file, symbolic links resolved, no trailing separator.
QString programFolder();
void setProgramFolder(const QString& folder);

// The program folder with a trailing separator, however long the path.
QString exePath();

// "c:\Program Files\x" becomes "<drive folder>/Program Files/x"; backslashes of any other
// path become separators.
QString local(const QString& windowsPath);

QString join(const QString& folder, const QString& name);

// Makes the folders that always exist on a Windows drive ("c:\Program Files").
void ensureDrive();

}  // namespace paths
