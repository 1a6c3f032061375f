#include "Convert.h"

#include "platform/Error.h"

#include <limits>

namespace convert {

std::optional<std::int64_t> parseInt64(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == n) {
        return std::nullopt;
    }
    // Accumulate as a negative number so that the minimum value fits.
    std::int64_t value = 0;
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c - u'0';
        if (value < (min + digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == min) {
            return std::nullopt;
        }
        value = -value;
    }
    return value;
}

std::optional<int> parseInt32(const QString& text) {
    const auto value = parseInt64(text);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

int toInt(const QString& text) {
    const auto value = parseInt32(text);
    if (!value) {
        throw Error(formatMessage(QStringLiteral("'%s' is not a valid integer value"), text));
    }
    return *value;
}

std::int64_t toInt64(const QString& text) {
    const auto value = parseInt64(text);
    if (!value) {
        throw Error(formatMessage(QStringLiteral("'%s' is not a valid integer value"), text));
    }
    return *value;
}

}  // namespace convert
