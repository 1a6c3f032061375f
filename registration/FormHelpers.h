#pragma once

#include <QStringList>

class QComboBox;

// Helpers the registration form's parts share.
namespace formhelpers {

// Lists never come up with a selection of their own; the user picks.
void fillList(QComboBox* list, const QStringList& items);
// An index outside the list leaves it without selection.
void selectItem(QComboBox* list, int index);

}  // namespace formhelpers
