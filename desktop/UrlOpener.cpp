#include "UrlOpener.h"

#include <QDesktopServices>

namespace shell {
namespace {

std::function<void(const QUrl&)>& urlOpener() {
    static std::function<void(const QUrl&)> opener;
    return opener;
}

}  // namespace

void openUrl(const QUrl& url) {
    if (urlOpener()) {
        urlOpener()(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

void setUrlOpener(std::function<void(const QUrl&)> opener) {
    urlOpener() = std::move(opener);
}

}  // namespace shell
