#include "Toolkit.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

// The resource macro declares a function of the global namespace.
static void loadBuiltInIcon() {
    Q_INIT_RESOURCE(icons);
}

namespace toolkit {

bool installChineseTexts() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_TW"), folder)) {
        delete translator;
        std::fprintf(stderr,
                     "%s: no qtbase_zh_TW.qm in %s (package qt6-translations-l10n); buttons and "
                     "menus of the toolkit stay English\n",
                     qUtf8Printable(QCoreApplication::applicationName()), qUtf8Printable(folder));
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

QIcon appIcon() {
    static const bool loaded = (loadBuiltInIcon(), true);
    Q_UNUSED(loaded);
    QIcon builtIn;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        builtIn.addFile(QStringLiteral(":/icons/%1-%2.png").arg(QStringView(kAppId)).arg(size));
    }
    return QIcon::fromTheme(QString::fromUtf16(kAppId), builtIn);
}

}  // namespace toolkit
