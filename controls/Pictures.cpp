#include "Pictures.h"

#include <QHash>
#include <QPainter>

// The resources live in a static library; naming them here keeps the linker from dropping them.
static void initialise() {
    Q_INIT_RESOURCE(pictures);
}

namespace pictures {

namespace {

// Every face is used by several controls; decode each picture once (QImage shares data).
QImage decoded(const QString& file, qreal ratio) {
    static const bool ready = (initialise(), true);
    Q_UNUSED(ready);
    static QHash<QString, QImage> cache;
    auto it = cache.find(file);
    if (it == cache.end()) {
        QImage image =
            QImage(QStringLiteral(":/pictures/") + file).convertToFormat(QImage::Format_ARGB32);
        image.setDevicePixelRatio(ratio);
        it = cache.insert(file, image);
    }
    return *it;
}

}  // namespace

QImage load(const QString& name) {
    return decoded(name, 1);
}

QImage loadSharp(const QString& name) {
    return decoded(sharpName(name), 2);
}

QString sharpName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype stem = dot > slash ? dot : name.size();
    return name.left(stem) + QStringLiteral("@2x") + name.mid(stem);
}

void drawSharp(QPainter& painter, const QRectF& target, const QImage& sharp) {
    // At ratios other than 2 (150 %) the picture is resampled smoothly: nearest pixels would
    // drop or double a line here and there.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, sharp);
}

}  // namespace pictures
