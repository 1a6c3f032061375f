#pragma once

#include <QString>
#include <optional>

// The rules of the registration form that need no window: the national ID number, the number
// fields' key filter, the birth-month day list and the purchase date against the first run.
namespace validation {

// The two-digit code of the letter that begins a national ID number; the letters are coded
// 10, 11, ... in the order "ABCDEFGHJKLMNPQRSTUVXYWZIO". Nothing for any other character,
// lower-case letters included.
std::optional<int> idLetterCode(QChar letter);

// The check digit of a national ID number: a coded letter and nine decimal digits whose
// weighted sum, with the letter's two digits in front, is a multiple of ten.
bool idCheckDigitValid(const QString& id);

// The key filter of the number fields: when the text is neither empty nor a signed 32-bit
// integer, the text without its last character (a double-byte character as a whole).
std::optional<QString> numericCut(const QString& text);

bool containsAsciiDigit(const QString& text);
// "@" and "." are looked for among the characters, never among Big5 bytes (一 is A4 40).
bool containsCharacter(const QString& text, QChar c);

// Days a birth month offers: February has 29 only in Gregorian leap years.
int birthMonthDays(int year, int month);

bool dateExists(int year, int month, int day);

// Whether the purchase date lies after the first-run date, compared as year·10000 +
// month·100 + day.
bool purchaseAfterFirstRun(int year, int month, int day, int firstYear, int firstMonth,
                           int firstDay);
QString purchaseAfterFirstRunMessage(int firstYear, int firstMonth, int firstDay);

}  // namespace validation
