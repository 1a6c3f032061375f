#include "Profile.h"

#include "Cp950.h"
#include "Files.h"
#include "LocalClock.h"
#include "ProfileParser.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

profile::Document load(const QString& path) {
    const auto bytes = files::readAll(path);
    if (!bytes) {
        return {};
    }
    return profile::parse(std::string_view(bytes->constData(), bytes->size()));
}

std::optional<std::string> lookup(const QString& path, const QString& section, const QString& key) {
    const auto s = cp950::tryEncode(section);
    const auto k = cp950::tryEncode(key);
    if (!s || !k) {
        return std::nullopt;
    }
    return profile::value(load(path), s->toStdString(), k->toStdString());
}

QString decode(const std::string& bytes) {
    return cp950::decode(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<int> parseProfileInt(const std::string& text) {
    std::string s = text;
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s = s.substr(2);
        base = 16;
    }
    if (s.empty() || std::isspace(static_cast<unsigned char>(s.back()))) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(s.c_str(), &end, base);
    if (errno != 0 || end != s.c_str() + s.size()) {
        return std::nullopt;
    }
    if (base == 16) {
        // Up to eight hex digits, taken as the bits of a 32-bit integer.
        if (value < 0 || value > 0xFFFFFFFFLL || s.front() == '-' || s.front() == '+') {
            return std::nullopt;
        }
        return static_cast<int>(static_cast<unsigned int>(value));
    }
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const auto value = lookup(path_, section, key);
    return value ? decode(*value) : def;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const auto value = lookup(path_, section, key);
    if (!value) {
        return def;
    }
    return parseProfileInt(*value).value_or(def);
}

double IniFile::ReadFloat(const QString& section, const QString& key, double def) const {
    const auto value = lookup(path_, section, key);
    if (!value || value->empty()) {
        return def;
    }
    // Accept digits, one locale separator and an optional sign and exponent; a "." in a
    // locale that separates with "," is no number, as the locale-bound reader has it.
    const QChar separator = LocalClock::decimalSeparator();
    QString text = decode(*value).trimmed();
    if (separator != u'.') {
        if (text.contains(u'.')) {
            return def;
        }
        text.replace(separator, u'.');
    }
    for (const QChar c : text) {
        if (!(c.isDigit() && c.unicode() < 0x80) && c != u'.' && c != u'-' && c != u'+' &&
            c != u'e' && c != u'E') {
            return def;
        }
    }
    bool ok = false;
    const double result = text.toDouble(&ok);
    return ok && std::isfinite(result) ? result : def;
}

QStringList IniFile::ReadSection(const QString& section) const {
    QStringList names;
    const auto s = cp950::tryEncode(section);
    if (!s) {
        return names;
    }
    const profile::Document doc = load(path_);
    if (const profile::Section* found = doc.find(s->toStdString())) {
        for (const profile::Entry& e : found->entries) {
            names.append(decode(e.key));
        }
    }
    return names;
}

QStringList IniFile::ReadSections() const {
    QStringList names;
    for (const profile::Section& s : load(path_).sections) {
        names.append(decode(s.name));
    }
    return names;
}
