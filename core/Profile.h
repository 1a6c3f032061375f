#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace profile {
struct Document;
}

// A private-profile (INI) settings file, read by full path. A file is parsed once and kept while
// it stays the same on disk: every read looks at the file first, so that a change, a removal or
// a file that appears is seen at the next read. A missing file or section only yields defaults.
class IniFile {
public:
    explicit IniFile(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }

    // A reader of the file as it is now that never looks at the disk again: reads that belong
    // together see one state of the file and check it once.
    IniFile snapshot() const;

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, or hexadecimal after "0x" / "0X"; empty or unconvertible text gives def.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Converted with the decimal separator of the user's locale.
    double ReadFloat(const QString& section, const QString& key, double def) const;
    // Key names of a section, in file order.
    QStringList ReadSection(const QString& section) const;
    QStringList ReadSections() const;

    // How many times a settings file has been parsed in this process.
    static quint64 parseCount();

private:
    std::shared_ptr<const profile::Document> document() const;

    QString path_;
    std::shared_ptr<const profile::Document> pinned_;
};
