#include "Shell.h"

#include "Paths.h"

#include <QDesktopServices>
#include <QProcess>

namespace shell {
namespace {

Launcher& replaced() {
    static Launcher launcher;
    return launcher;
}

}  // namespace

void open(const QString& program, const QString& parameter) {
    if (replaced()) {
        replaced()(program, parameter);
        return;
    }
    QStringList arguments;
    if (!parameter.isEmpty()) {
        arguments << parameter;
    }
    QProcess::startDetached(paths::local(program), arguments);
}

void openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void setLauncher(Launcher launcher) {
    replaced() = std::move(launcher);
}

}  // namespace shell
