#include "Pictures.h"

// The resources live in a static library; naming them here keeps the linker from dropping them.
static void initialise() {
    Q_INIT_RESOURCE(pictures);
}

namespace pictures {

QImage load(const QString& name) {
    static const bool ready = (initialise(), true);
    Q_UNUSED(ready);
    return QImage(QStringLiteral(":/pictures/") + name);
}

}  // namespace pictures
