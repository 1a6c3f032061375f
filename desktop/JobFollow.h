#pragma once

#include "platform/Spooler.h"

#include <QByteArray>
#include <QString>

class QWidget;

namespace printing {

// Sends the card, a PDF, to the printer as a job of the program's own and follows it to its
// fate, in a window over `parent` that says how the job stands and takes the user's input
// meanwhile; no other window does. Returns once the card came out, or the user says it did.
// Raises PrintError when it did not: the spooler refused it, the job ended without printing or
// cannot go on (then the job is canceled, so that it never prints later), or the user says it
// did not come out.
void sendAndFollow(const QString& printer, const QString& title, const spooler::Options& options,
                   const QByteArray& pdf, QWidget* parent);

}  // namespace printing
