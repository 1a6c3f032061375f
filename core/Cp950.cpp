#include "Cp950.h"

#include "platform/Error.h"

#include <iconv.h>
#include <cerrno>
#include <cstring>
#include <variant>

namespace cp950 {
namespace {

// One converter per direction and thread; iconv descriptors are not thread-safe.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw Error(QStringLiteral("CP950 conversion is not available on this system"));
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t reset() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

iconv_t encoder() {
    thread_local Converter converter("CP950", "UTF-16LE");
    return converter.reset();
}

iconv_t decoder() {
    thread_local Converter converter("UTF-16LE", "CP950");
    return converter.reset();
}

// Encodes; on failure returns the QChar index of the offending character.
std::variant<QByteArray, qsizetype> encodeOrFail(const QString& text) {
    QByteArray out;
    if (text.isEmpty()) {
        return out;
    }
    out.resize(text.size() * 2);
    iconv_t cd = encoder();
    auto* in = const_cast<char*>(reinterpret_cast<const char*>(text.utf16()));
    const char* const inStart = in;
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* dst = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
        // Output room is ample (at most two bytes per UTF-16 unit), so any error is a
        // character CP950 cannot hold or a lone surrogate.
        return static_cast<qsizetype>((in - inStart) / 2);
    }
    out.resize(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

}  // namespace

std::optional<QByteArray> tryEncode(const QString& text) {
    auto result = encodeOrFail(text);
    if (auto* bytes = std::get_if<QByteArray>(&result)) {
        return std::move(*bytes);
    }
    return std::nullopt;
}

QByteArray encode(const QString& text) {
    auto result = encodeOrFail(text);
    if (auto* bytes = std::get_if<QByteArray>(&result)) {
        return std::move(*bytes);
    }
    const qsizetype index = std::get<qsizetype>(result);
    throw Error(formatMessage(QStringLiteral("Big5 (CP950) has no code for the character \"%s\""),
                              characterAt(text, index)));
}

std::optional<qsizetype> firstUnmappable(const QString& text) {
    auto result = encodeOrFail(text);
    if (const auto* index = std::get_if<qsizetype>(&result)) {
        return *index;
    }
    return std::nullopt;
}

QString characterAt(const QString& text, qsizetype index) {
    if (index < 0 || index >= text.size()) {
        return {};
    }
    if (text[index].isHighSurrogate() && index + 1 < text.size() &&
        text[index + 1].isLowSurrogate()) {
        return text.mid(index, 2);
    }
    return text.mid(index, 1);
}

QString decode(const QByteArray& bytes) {
    QString out;
    if (bytes.isEmpty()) {
        return out;
    }
    out.resize(bytes.size());
    iconv_t cd = decoder();
    auto* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    auto* dst = reinterpret_cast<char*>(out.data());
    size_t outLeft = static_cast<size_t>(out.size()) * 2;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            break;  // cannot happen: one byte never yields more than one UTF-16 unit
        }
        // EILSEQ or EINVAL (cut-off pair): replace one byte and go on.
        if (outLeft < 2) {
            break;
        }
        const char16_t replacement = 0xFFFD;
        std::memcpy(dst, &replacement, 2);
        dst += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - static_cast<qsizetype>(outLeft / 2));
    return out;
}

qsizetype byteLength(QChar c) {
    return c.unicode() < 0x80 ? 1 : 2;
}

qsizetype byteLength(const QString& text) {
    qsizetype length = 0;
    for (const QChar c : text) {
        length += byteLength(c);
    }
    return length;
}

bool isLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

bool endsWithDoubleByte(const QString& text) {
    return !text.isEmpty() && byteLength(text.back()) == 2;
}

QString withoutLastCharacter(const QString& text) {
    if (text.isEmpty()) {
        return text;
    }
    qsizetype cut = 1;
    if (text.size() >= 2 && text.back().isLowSurrogate() &&
        text[text.size() - 2].isHighSurrogate()) {
        cut = 2;
    }
    return text.left(text.size() - cut);
}

QString truncateToBytes(const QString& text, qsizetype maxBytes) {
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        bytes += byteLength(text[i]);
        if (bytes > maxBytes) {
            qsizetype end = i;
            if (end > 0 && text[end].isLowSurrogate() && text[end - 1].isHighSurrogate()) {
                --end;
            }
            return text.left(end);
        }
    }
    return text;
}

}  // namespace cp950
