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

static std::function<void(const QUrl&)>& urlOpener() {
    static std::function<void(const QUrl&)> opener;
    return opener;
}

void openUrl(const QUrl& url) {
    if (urlOpener()) {
        urlOpener()(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

void setUrlOpener(std::function<void(const QUrl&)> opener) {
    urlOpener() = std::move(opener);
}

void setLauncher(Launcher launcher) {
    replaced() = std::move(launcher);
}

}  // namespace shell
