#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Text-to-number conversion: optional leading blanks, an optional sign, then decimal digits
// and nothing else. Failures raise "'%s' is not a valid integer value".
namespace convert {

std::optional<std::int64_t> parseInt64(const QString& text);
std::optional<int> parseInt32(const QString& text);

int toInt(const QString& text);
std::int64_t toInt64(const QString& text);

}  // namespace convert
