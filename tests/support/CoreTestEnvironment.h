#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <functional>

// A fresh world for one test of the core: its own hive file, drive folder and program folder
// in a temporary directory, the real clock and a recording shell. Everything replaced is put
// back when the environment goes out of scope.
class CoreTestEnvironment {
public:
    // withData copies the delivered data files (regset.ini, postcode.ini, pages ...) into the
    // program folder.
    explicit CoreTestEnvironment(bool withData = false);
    ~CoreTestEnvironment();
    CoreTestEnvironment(const CoreTestEnvironment&) = delete;
    CoreTestEnvironment& operator=(const CoreTestEnvironment&) = delete;

    QString root() const { return dir_.path(); }
    QString hivePath() const { return root() + QStringLiteral("/hkcu.sqlite3"); }
    QString driveC() const { return root() + QStringLiteral("/drive_c"); }
    QString programFolder() const { return root() + QStringLiteral("/program"); }
    QString makerFolder() const { return driveC() + QStringLiteral("/Program Files/Quillmarsh"); }
    QString installFolder() const { return makerFolder() + QStringLiteral("/orvexreg"); }

    // Writes a file below root(), creating folders; `text` is encoded as CP950.
    void writeFile(const QString& path, const QByteArray& bytes) const;
    void writeText(const QString& path, const QString& text) const;
    // A regset.ini in the program folder with exactly this (UTF-8 written) content.
    void writeRegset(const QString& text) const;

    // The whole hive as text (keys, value names, types and bytes), to compare states.
    static QString hiveDump();

    // The repository's data folder.
    static QString sourceData();

    QList<QPair<QString, QString>> launched;  // program and parameter of each shell start

private:
    QTemporaryDir dir_;
};

// A file or folder made read-only for everyone, root included (the immutable flag), or
// writable again; true when it is read-only now.
bool setReadOnly(const QString& path, bool on);

// The text of the Error the function raises; "<no error>" when it raises none.
QString errorOf(const std::function<void()>& fn);
