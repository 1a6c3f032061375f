#pragma once

#include <QString>
#include <cstdint>

// Small operations on the stored state that several windows need. Holds no data: each call
// opens what it needs and closes it again.
class RegUtils {
public:
    // Folder of the running program with a trailing separator.
    QString GetExePath() const;
    // [version] verNo of the installed regset.ini; 3.5 when missing or unreadable.
    double GetVerNo() const;
    // ProductCount; 0 when it or the state key is missing.
    int GetProductCount() const;
    // A value of the state key; 0 or empty when the key or the value is missing.
    int GetRegInt(const QString& name) const;
    QString GetRegString(const QString& name) const;
    // True when one of prod_cd_1 .. prod_cd_<ProductCount> equals the serial byte for byte.
    bool IsSerialRegistered(const QString& serial) const;
    // Run value ORVEXreg = the reminder with "hide".
    void SetNotifyHide() const;
    // RegDate = yymmddhhnn of the local time.
    void SetRegDate() const;
    // RegDate as a number (64-bit: stamps from 2022 on exceed 32 bits); 0 when missing.
    std::int64_t GetRegDate() const;
    void ShellOpen(const QString& program, const QString& parameter) const;
    std::int64_t NowStamp() const;
    // Whether the saved field "name" exists.
    bool HasUserData() const;
};
