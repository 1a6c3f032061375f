#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

// The local clock and the user's date, time and number formats. Tests can fix the clock and
// the decimal separator; reset() restores the real ones.
class LocalClock {
public:
    static QDateTime now();
    static QDate today() { return now().date(); }

    // Short date as a Taiwanese desktop shows it: year/month/day without leading zeros
    // ("2005/3/7").
    static QString shortDate(const QDate& date);
    // Long time: 24 hours, two digits each ("14:05:09").
    static QString longTime(const QTime& time);

    static QChar decimalSeparator();

    static void setNow(const QDateTime& fixed);
    static void setDecimalSeparator(QChar separator);
    static void reset();

private:
    static std::optional<QDateTime> fixedNow_;
    static std::optional<QChar> separator_;
};
