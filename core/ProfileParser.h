#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Parser of Windows private-profile (INI) files over raw Big5 bytes, with no dependency
// beyond the standard library so that it can be fuzzed on its own.
//
// Rules, as the Windows reader applies them:
// - lines end at CR, LF or CR LF; blanks (space, tab) around every line are dropped;
// - "[name]" opens a section; the name is trimmed; a missing "]" takes the rest of the line;
// - ";" at the start of a line makes it a comment; empty lines and lines before the first
//   section are ignored;
// - "key=value": key and value are trimmed, a value enclosed in one pair of matching double or
//   single quotes loses them, and a value is cut at 2047 bytes (never inside a double-byte
//   character); "key=" is an empty value; a line without "=" is a key without a value, which
//   is listed but reads as missing;
// - section and key names match without regard to the case of ASCII letters;
// - a key repeated in one section: the first one counts; a section repeated in the file: the
//   first one counts and the later ones are ignored.
namespace profile {

inline constexpr std::size_t kMaxValueBytes = 2047;

struct Entry {
    std::string key;
    std::optional<std::string> value;
};

struct Section {
    std::string name;
    std::vector<Entry> entries;  // unique keys, in file order
};

struct Document {
    std::vector<Section> sections;  // unique names, in file order

    const Section* find(std::string_view name) const;
};

Document parse(std::string_view bytes);

// The value of a key, or nullopt when the section or key is missing or the key has no "=".
std::optional<std::string> value(const Document& doc, std::string_view section,
                                 std::string_view key);

// Big5-aware comparison that folds ASCII letters only (a trail byte is never folded).
bool namesEqual(std::string_view a, std::string_view b);

}  // namespace profile
