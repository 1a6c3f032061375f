#include "Pictures.h"

#include <QHash>

// The resources live in a static library; naming them here keeps the linker from dropping them.
static void initialise() {
    Q_INIT_RESOURCE(pictures);
}

namespace pictures {

QImage load(const QString& name) {
    static const bool ready = (initialise(), true);
    Q_UNUSED(ready);
    // Every face is used by several controls; decode each picture once (QImage shares data).
    static QHash<QString, QImage> decoded;
    auto it = decoded.find(name);
    if (it == decoded.end()) {
        it = decoded.insert(
            name,
            QImage(QStringLiteral(":/pictures/") + name).convertToFormat(QImage::Format_ARGB32));
    }
    return *it;
}

}  // namespace pictures
