#include "tools/receiver/RequestHead.h"

#include <QList>
#include <algorithm>
#include <cstring>

namespace requesthead {
namespace {

// One line without its line end, and where the next one starts (-1: the line has not ended).
struct Line {
    QByteArrayView text;
    qsizetype next = -1;
};

Line lineAt(QByteArrayView bytes, qsizetype from) {
    const qsizetype end = from < 0 ? -1 : bytes.indexOf('\n', from);
    if (end < 0) {
        return {};
    }
    QByteArrayView text = bytes.sliced(from, end - from);
    if (text.endsWith('\r')) {
        text.chop(1);
    }
    return {text, end + 1};
}

// The request line, past the empty lines before it.
Line requestLine(QByteArrayView bytes) {
    Line line = lineAt(bytes, 0);
    while (line.next >= 0 && line.text.isEmpty()) {
        line = lineAt(bytes, line.next);
    }
    return line;
}

bool isTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr);
}

bool isToken(QByteArrayView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

// Visible characters, blanks and bytes from 0x80 up: no NUL, CR or other control.
bool isFieldValue(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == '\t' || (byte >= ' ' && byte != 0x7F);
    });
}

// METHOD SP TARGET SP HTTP/d.d, single blanks, a target of visible ASCII only.
bool isRequestLine(QByteArrayView text) {
    const qsizetype first = text.indexOf(' ');
    const qsizetype second = first < 0 ? -1 : text.indexOf(' ', first + 1);
    if (second < 0) {
        return false;
    }
    const QByteArrayView target = text.sliced(first + 1, second - first - 1);
    const QByteArrayView version = text.sliced(second + 1);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return isToken(text.first(first)) && !target.isEmpty() &&
           std::all_of(target.begin(), target.end(), [](char c) { return c > ' ' && c < 0x7F; }) &&
           version.size() == 8 && version.startsWith("HTTP/") && digit(version[5]) &&
           version[6] == '.' && digit(version[7]);
}

bool named(QByteArrayView name, QByteArrayView expected) {
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

}  // namespace

qsizetype length(QByteArrayView bytes) {
    Line line = requestLine(bytes);
    while (line.next >= 0) {
        line = lineAt(bytes, line.next);
        if (line.next >= 0 && line.text.isEmpty()) {
            return line.next;
        }
    }
    return -1;
}

int fault(QByteArrayView head) {
    Line line = requestLine(head);
    if (line.next < 0 || !isRequestLine(line.text)) {
        return 400;
    }
    int hosts = 0;
    int codings = 0;
    bool chunked = true;
    QList<QByteArrayView> lengths;
    for (line = lineAt(head, line.next); line.next >= 0 && !line.text.isEmpty();
         line = lineAt(head, line.next)) {
        // A blank before the colon or at the start of a folded line leaves no token here.
        const qsizetype colon = line.text.indexOf(':');
        if (colon < 0 || !isToken(line.text.first(colon)) ||
            !isFieldValue(line.text.sliced(colon + 1))) {
            return 400;
        }
        const QByteArrayView name = line.text.first(colon);
        const QByteArrayView value = line.text.sliced(colon + 1).trimmed();
        if (named(name, "Host")) {
            ++hosts;
        } else if (named(name, "Content-Length")) {
            lengths.append(value);
        } else if (named(name, "Transfer-Encoding")) {
            ++codings;
            chunked = chunked && named(value, "chunked");
        }
    }
    // Where the body ends would be a guess: two lengths that differ, or a length beside a
    // transfer coding.
    const bool lengthsDiffer =
        !lengths.isEmpty() && lengths.count(lengths.first()) != lengths.size();
    if (hosts > 1 || codings > 1 || (codings > 0 && !lengths.isEmpty()) || lengthsDiffer) {
        return 400;
    }
    return chunked ? 0 : 501;
}

}  // namespace requesthead
