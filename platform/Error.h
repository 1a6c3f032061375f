#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one exception type of the program: a failed platform operation (hive, file, number
// conversion) carrying the text the user sees in the error box.
class Error : public std::exception {
public:
    explicit Error(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// Fills the "%s" of a message pattern, as the error texts of the hive and conversions carry it.
inline QString formatMessage(const QString& pattern, const QString& arg) {
    QString text = pattern;
    return text.replace(QStringLiteral("%s"), arg);
}
