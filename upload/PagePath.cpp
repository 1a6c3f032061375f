#include "PagePath.h"

#include "core/Keys.h"
#include "platform/Files.h"
#include "platform/Paths.h"

QString pagePath(const QString& programFolder, const QString& name) {
    const QString inProgram = paths::join(programFolder, name);
    const QString install = paths::local(keys::InstallFolder);
    if (!files::fileExists(inProgram) && files::folderExists(install)) {
        return paths::join(install, name);
    }
    return inProgram;
}
