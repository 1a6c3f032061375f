#pragma once

#include "Error.h"

// A print that did not come out: what failed, in the user's words, then the technical detail
// on a line of its own.
class PrintError : public Error {
public:
    PrintError(const QString& text, const QString& detail)
        : Error(text + u'\n' + detail), text_(text), detail_(detail) {}
    const QString& text() const { return text_; }
    const QString& detail() const { return detail_; }

private:
    QString text_;
    QString detail_;
};
