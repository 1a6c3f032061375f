#pragma once

#include <QByteArrayView>

// The checks a request head passes before libmicrohttpd reads it. Its parser (0.9.75) takes
// heads that another reader would take differently: a blank before a colon, a folded line, a
// NUL or a lone CR inside a line, two Host lines, a transfer coding it does not know. Such a
// head is refused whole instead of being read one way here and another way elsewhere.
namespace requesthead {

// The length of the head through its blank line, or -1 while that line has not come. Lines end
// in CR LF or in LF alone, and empty lines before the request line are skipped, as the library
// reads them.
qsizetype length(QByteArrayView bytes);

// 0 for a head that reads only one way; else the status it is refused with: 400, or 501 for a
// transfer coding other than chunked.
int fault(QByteArrayView head);

}  // namespace requesthead
