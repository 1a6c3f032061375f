#include "Shell.h"

#include "Paths.h"

#include <QProcess>

namespace shell {
namespace {

Launcher& replaced() {
    static Launcher launcher;
    return launcher;
}

}  // namespace

QString localProgram(const QString& program) {
    // The reminder is a Windows program the system only names; here it is ours and ships
    // beside the main program.
    const QString path = paths::local(program);
    if (path.section(u'/', -1).compare(QStringLiteral("notify.exe"), Qt::CaseInsensitive) == 0) {
        return paths::join(paths::programFolder(), QStringLiteral("orvexreg-notify"));
    }
    return path;
}

void open(const QString& program, const QString& parameter) {
    if (replaced()) {
        replaced()(program, parameter);
        return;
    }
    QStringList arguments;
    if (!parameter.isEmpty()) {
        arguments << parameter;
    }
    QProcess::startDetached(localProgram(program), arguments);
}

void setLauncher(Launcher launcher) {
    replaced() = std::move(launcher);
}

}  // namespace shell
