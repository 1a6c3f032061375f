#include "FormHelpers.h"

#include "core/Convert.h"
#include "core/Keys.h"
#include "core/Registry.h"
#include "core/Validation.h"
#include "platform/Error.h"

#include <QComboBox>

namespace formhelpers {

void fillList(QComboBox* list, const QStringList& items) {
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(-1);
}

void selectItem(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

std::optional<Date> firstRunDate() {
    std::optional<int> y, m, d;
    try {
        Registry reg;
        if (!reg.OpenKey(keys::StateKey)) {
            return std::nullopt;
        }
        y = convert::parseInt32(reg.ReadString(keys::FirstRunYear));
        m = convert::parseInt32(reg.ReadString(keys::FirstRunMonth));
        d = convert::parseInt32(reg.ReadString(keys::FirstRunDay));
        reg.CloseKey();
    } catch (const Error&) {
        return std::nullopt;  // a value of another type
    }
    if (!y || !m || !d || !validation::dateExists(*y, *m, *d)) {
        return std::nullopt;
    }
    return Date{*y, *m, *d};
}

}  // namespace formhelpers
