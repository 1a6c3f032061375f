#pragma once

#include <QStringList>
#include <optional>

class QComboBox;

// Helpers the registration form's parts share.
namespace formhelpers {

// Lists never come up with a selection of their own; the user picks.
void fillList(QComboBox* list, const QStringList& items);
// An index outside the list leaves it without selection.
void selectItem(QComboBox* list, int index);

struct Date {
    int year;
    int month;
    int day;
};

// The first-run date as the first run recorded it; nothing when it is missing, not a number
// or no real date.
std::optional<Date> firstRunDate();

}  // namespace formhelpers
