#pragma once

#include "CoreTestEnvironment.h"
#include "FakeMessageBoxes.h"

#include <QList>
#include <QString>
#include <QUrl>

// The world of a test of the windows: the core's, plus scripted message boxes, a browser
// opener that records, and cards printed into a PDF file in the sandbox.
class TestEnvironment : public CoreTestEnvironment {
public:
    explicit TestEnvironment(bool withData = false);
    ~TestEnvironment();

    // Where a printed card goes.
    QString cardPdf() const { return root() + QStringLiteral("/card.pdf"); }

    FakeMessageBoxes boxes;
    QList<QUrl> openedUrls;  // addresses handed to the desktop's browser
};
