#include "LocalClock.h"

#include <QLocale>

std::optional<QDateTime> LocalClock::fixedNow_;
std::optional<QChar> LocalClock::separator_;

QDateTime LocalClock::now() {
    return fixedNow_ ? *fixedNow_ : QDateTime::currentDateTime();
}

QString LocalClock::shortDate(const QDate& date) {
    return QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
}

QString LocalClock::longTime(const QTime& time) {
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QChar LocalClock::decimalSeparator() {
    if (separator_) {
        return *separator_;
    }
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}

void LocalClock::setNow(const QDateTime& fixed) {
    fixedNow_ = fixed;
}

void LocalClock::setDecimalSeparator(QChar separator) {
    separator_ = separator;
}

void LocalClock::reset() {
    fixedNow_.reset();
    separator_.reset();
}
