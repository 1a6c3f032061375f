#pragma once

#include <QString>
#include <QStringList>

// A private-profile (INI) settings file, read by full path. Every read opens the file afresh;
// nothing is cached, and a missing file or section only yields the defaults.
class IniFile {
public:
    explicit IniFile(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, or hexadecimal after "0x" / "0X"; empty or unconvertible text gives def.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Converted with the decimal separator of the user's locale.
    double ReadFloat(const QString& section, const QString& key, double def) const;
    // Key names of a section, in file order.
    QStringList ReadSection(const QString& section) const;
    QStringList ReadSections() const;

private:
    QString path_;
};
