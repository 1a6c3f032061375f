#include "FormHelpers.h"

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

}  // namespace formhelpers
