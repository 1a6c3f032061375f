#include "Validation.h"

#include "core/Convert.h"
#include "core/Cp950.h"

#include <QDate>
#include <cstdint>

namespace validation {

std::optional<int> idLetterCode(QChar letter) {
    static const QString letters = QStringLiteral("ABCDEFGHJKLMNPQRSTUVXYWZIO");
    const qsizetype at = letters.indexOf(letter, 0, Qt::CaseSensitive);
    if (at < 0) {
        return std::nullopt;
    }
    return 10 + static_cast<int>(at);
}

bool idCheckDigitValid(const QString& id) {
    if (id.size() != 10) {
        return false;
    }
    const auto code = idLetterCode(id[0]);
    if (!code) {
        return false;
    }
    int sum = (*code / 10) + (*code % 10) * 9;
    for (int k = 1; k <= 9; ++k) {
        const QChar c = id[k];
        if (c < u'0' || c > u'9') {
            return false;
        }
        const int digit = c.unicode() - u'0';
        // The nine digits after the letter weigh 8, 7, ..., 1 and the last one 1.
        sum += digit * (k < 9 ? 9 - k : 1);
    }
    return sum % 10 == 0;
}

std::optional<QString> numericCut(const QString& text) {
    if (text.isEmpty() || convert::parseInt32(text)) {
        return std::nullopt;
    }
    return cp950::withoutLastCharacter(text);
}

bool containsAsciiDigit(const QString& text) {
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            return true;
        }
    }
    return false;
}

bool containsCharacter(const QString& text, QChar c) {
    return text.contains(c);
}

int birthMonthDays(int year, int month) {
    switch (month) {
        case 1:
        case 3:
        case 5:
        case 7:
        case 8:
        case 10:
        case 12:
            return 31;
        case 2:
            return QDate::isLeapYear(year) ? 29 : 28;
        default:
            return 30;
    }
}

bool dateExists(int year, int month, int day) {
    return QDate(year, month, day).isValid();
}

bool purchaseAfterFirstRun(int year, int month, int day, int firstYear, int firstMonth,
                           int firstDay) {
    const auto value = [](std::int64_t y, std::int64_t m, std::int64_t d) {
        return y * 10000 + m * 100 + d;
    };
    return value(year, month, day) > value(firstYear, firstMonth, firstDay);
}

QString purchaseAfterFirstRunMessage(int firstYear, int firstMonth, int firstDay) {
    return QStringLiteral(
               "您的購買日期應該在本程式之前（%1/%2/%3），若您忘記購買日期，"
               "請填寫本程式第一次執行日期。")
        .arg(firstYear)
        .arg(firstMonth)
        .arg(firstDay);
}

}  // namespace validation
