#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Big5 as Windows code page 950: the encoding of every text that leaves the widgets (hive,
// settings files, file lists, the upload body). Encoding is strict: a character without a
// CP950 code is an error, never a "?".
namespace cp950 {

// Throws Error naming the first character that CP950 cannot hold.
QByteArray encode(const QString& text);
std::optional<QByteArray> tryEncode(const QString& text);

// Index (in QChars) of the first character that CP950 cannot hold, or nullopt.
std::optional<qsizetype> firstUnmappable(const QString& text);
// The character starting at a QString index, surrogate pairs taken whole.
QString characterAt(const QString& text, qsizetype index);

// Invalid or cut-off byte sequences decode to U+FFFD, one per offending byte.
QString decode(const QByteArray& bytes);

// Bytes the text takes in CP950; every non-ASCII character counts two.
qsizetype byteLength(const QString& text);
qsizetype byteLength(QChar c);

bool isLeadByte(unsigned char byte);

// True when the last character of the text is a double-byte character.
bool endsWithDoubleByte(const QString& text);

// Removes the last character (a double-byte character or surrogate pair as a whole).
QString withoutLastCharacter(const QString& text);

// Longest prefix whose CP950 length does not exceed maxBytes.
QString truncateToBytes(const QString& text, qsizetype maxBytes);

}  // namespace cp950
