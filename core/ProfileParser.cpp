#include "ProfileParser.h"

#include <unordered_set>

namespace profile {
namespace {

bool isLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Position of the first single-byte occurrence of c, skipping double-byte characters.
std::size_t findSingleByte(std::string_view s, char c) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto byte = static_cast<unsigned char>(s[i]);
        if (isLead(byte) && i + 1 < s.size()) {
            ++i;
        } else if (s[i] == c) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string_view cutValue(std::string_view value) {
    if (value.size() <= kMaxValueBytes) {
        return value;
    }
    std::size_t end = 0;
    while (end < value.size()) {
        const std::size_t width =
            isLead(static_cast<unsigned char>(value[end])) && end + 1 < value.size() ? 2 : 1;
        if (end + width > kMaxValueBytes) {
            break;
        }
        end += width;
    }
    return value.substr(0, end);
}

// True when the last byte is a character of its own, not the trail byte of a double-byte one.
bool endsWithSingleByte(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t width =
            isLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
        if (i + width == s.size()) {
            return width == 1;
        }
        i += width;
    }
    return false;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front() && endsWithSingleByte(value)) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

template <typename Fn>
void forEachLine(std::string_view bytes, Fn&& fn) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            fn(bytes.substr(start, i - start));
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        fn(bytes.substr(start));
    }
}

// The name with its single-byte ASCII letters in lower case, for hashing.
std::string folded(std::string_view name) {
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (isLead(c) && i + 1 < out.size()) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

}  // namespace

bool namesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (isLead(ca) && i + 1 < a.size()) {
            if (ca != cb || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
            continue;
        }
        const auto fold = [](unsigned char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
        };
        if (fold(ca) != fold(cb)) {
            return false;
        }
    }
    return true;
}

const Section* Document::find(std::string_view name) const {
    for (const Section& s : sections) {
        if (namesEqual(s.name, name)) {
            return &s;
        }
    }
    return nullptr;
}

Document parse(std::string_view bytes) {
    Document doc;
    std::unordered_set<std::string> sectionNames;
    std::unordered_set<std::string> keyNames;  // of the current section
    Section* current = nullptr;
    forEachLine(bytes, [&](std::string_view raw) {
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == ';') {
            return;
        }
        if (line.front() == '[') {
            std::string_view name = line.substr(1);
            const std::size_t close = findSingleByte(name, ']');
            if (close != std::string_view::npos) {
                name = name.substr(0, close);
            }
            name = trim(name);
            if (!sectionNames.insert(folded(name)).second) {
                current = nullptr;  // a repeated section is ignored
                return;
            }
            keyNames.clear();
            doc.sections.push_back(Section{std::string(name), {}});
            current = &doc.sections.back();
            return;
        }
        if (current == nullptr) {
            return;
        }
        const std::size_t eq = findSingleByte(line, '=');
        const std::string_view key = trim(line.substr(0, eq));
        if (key.empty()) {
            return;
        }
        if (!keyNames.insert(folded(key)).second) {
            return;  // the first occurrence of a key counts
        }
        Entry entry{std::string(key), std::nullopt};
        if (eq != std::string_view::npos) {
            entry.value = std::string(cutValue(unquote(trim(line.substr(eq + 1)))));
        }
        current->entries.push_back(std::move(entry));
    });
    return doc;
}

std::optional<std::string> value(const Document& doc, std::string_view section,
                                 std::string_view key) {
    const Section* s = doc.find(section);
    if (s == nullptr) {
        return std::nullopt;
    }
    for (const Entry& e : s->entries) {
        if (namesEqual(e.key, key)) {
            return e.value;
        }
    }
    return std::nullopt;
}

}  // namespace profile
