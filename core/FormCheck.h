#pragma once

#include "FormEntries.h"
#include "Registration.h"

#include <QDate>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// The checks a registration runs when it is finished, over the texts its fields hold.
namespace validation {

// The fields a check can send the user back to.
enum class Field {
    Name,
    CompanyName,
    BirthYear,
    Sex,
    Id,
    Occupation,
    Position,
    CompanyScale,
    CompanyCapital,
    County,
    District,
    Address,
    Email,
    PhoneArea,
    Phone,
    Serial,
    PurchaseYear,
    PurchaseMonth,
    PurchaseDay,
    Model,
};

// The first check that fails: its message, the box's caption and the field to go back to.
struct FieldFailure {
    Field field;
    QString text;
    QString caption;
    // The purchase date lies after the first run: the form offers the first-run date instead.
    std::optional<QDate> firstRun;
};

// Runs the checks in their order; nothing when all pass. The first-run date is asked for
// only when every other check has passed.
std::optional<FieldFailure> firstFailure(const FormEntries& entries,
                                         const std::function<std::optional<QDate>()>& firstRun);

// A product that would be counted but neither stored nor sent: its model or a part of its
// purchase date is missing. The message names the product by its tab (when the form has
// tabs) and its serial.
struct ProductGap {
    int product;
    Field field;
    QString text;
};
std::optional<ProductGap> firstProductGap(const QList<ProductEntry>& products, bool tabs);

}  // namespace validation
