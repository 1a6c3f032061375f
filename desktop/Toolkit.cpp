#include "Toolkit.h"

#include <QCoreApplication>
#include <QIconEngine>
#include <QLibraryInfo>
#include <QPainter>
#include <QPixmap>
#include <QTranslator>
#include <cstdio>
#include <iterator>

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

namespace {

// The built-in icon, each size read from its file only when it is drawn: reading all of them
// as the program starts would delay its first window by milliseconds.
class BuiltInIcon final : public QIconEngine {
public:
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : kSides) {
            sizes.append(QSize(side, side));
        }
        return sizes;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = sideFor(size);
        return QSize(side, side).scaled(size, Qt::KeepAspectRatio);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const QPixmap picture(
            QStringLiteral(":/icons/%1-%2.png").arg(QStringView(kAppId)).arg(sideFor(size)));
        return picture.size() == size
                   ? picture
                   : picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QIconEngine* clone() const override { return new BuiltInIcon; }

private:
    static constexpr int kSides[] = {16, 24, 32, 48, 64, 128, 256};

    // The smallest picture that is not smaller than the size asked for, else the largest.
    static int sideFor(const QSize& size) {
        const int wanted = qMax(size.width(), size.height());
        for (const int side : kSides) {
            if (side >= wanted) {
                return side;
            }
        }
        return kSides[std::size(kSides) - 1];
    }
};

}  // namespace

QIcon appIcon() {
    static const bool loaded = (loadBuiltInIcon(), true);
    Q_UNUSED(loaded);
    return QIcon::fromTheme(QString::fromUtf16(kAppId), QIcon(new BuiltInIcon));
}

}  // namespace toolkit
