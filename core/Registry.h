#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// One use of the current-user hive in the manner of the Windows registry object: open a key,
// read or write its values, close it. Keys are opened without being created unless asked.
// Text values hold CP950 bytes; integers are 32-bit.
class Registry {
public:
    Registry() = default;

    // The path is relative to the open key, or to the hive root when none is open or the path
    // begins with a backslash. False, and no key open, when it does not exist.
    bool OpenKey(const QString& path, bool canCreate = false);
    // Creates every missing level below the open key (or the root); "Failed to create key %s".
    void CreateKey(const QString& path);
    bool KeyExists(const QString& path);
    void CloseKey() { current_.reset(); }
    bool HasCurrentKey() const { return current_.has_value(); }

    // False when no key is open.
    bool ValueExists(const QString& name);
    // Empty when the key or the value is missing; "Invalid data type for '%s'" for a value
    // that is no text.
    QString ReadString(const QString& name);
    QByteArray ReadBytes(const QString& name);
    // "Failed to get data for '%s'" when missing, "Invalid data type for '%s'" when no integer.
    int ReadInteger(const QString& name);
    // In one query, the texts of the values named prefix followed by a number from 1 to last
    // (decimal, no leading zero); "Invalid data type for '%s'" names the lowest such value
    // that is no text. Empty when no key is open.
    QList<QByteArray> ReadNumberedBytes(const QString& prefix, int last);
    // "Failed to set data for '%s'" without an open key or when the hive refuses.
    void WriteString(const QString& name, const QString& value);
    void WriteBytes(const QString& name, const QByteArray& cp950);
    void WriteInteger(const QString& name, int value);
    // A missing value or key is no error.
    void DeleteValue(const QString& name);

private:
    qint64 base(const QString& path) const;
    void write(const QString& name, int type, const QByteArray& data);

    std::optional<qint64> current_;
};
