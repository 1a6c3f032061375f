#pragma once

#include <QStringList>
#include <QTextStream>

// The commands of orvexreg-reg, a reg.exe-like tool over the current-user hive:
//   query KEY [/v NAME]
//   add KEY /v NAME [/t REG_SZ|REG_DWORD|REG_BINARY] [/d DATA] [/f]
//   delete KEY /v NAME [/f]
//   export [KEY]
// KEY may begin with HKCU\ or HKEY_CURRENT_USER\. Returns the exit code.
int runRegTool(const QStringList& args, QTextStream& out, QTextStream& err);
