#include "TestEnvironment.h"

#include "controls/TCppWebBrowser.h"
#include "desktop/Lifetime.h"
#include "desktop/PrintEngine.h"
#include "desktop/UrlOpener.h"

TestEnvironment::TestEnvironment(bool withData) : CoreTestEnvironment(withData) {
    msg::setBoxes(&boxes);
    shell::setUrlOpener([this](const QUrl& url) { openedUrls.append(url); });
    lifetime::reset();
    // No test ever waits on a real print dialog: cards go into a PDF file in the sandbox.
    printing::reset();
    printing::setPdfOutput(cardPdf());
}

TestEnvironment::~TestEnvironment() {
    msg::setBoxes(nullptr);
    shell::setUrlOpener({});
    lifetime::reset();
    printing::reset();
    TCppWebBrowser::setTransferTimeoutMs(30000);
}
