#pragma once

#include <QUrl>
#include <functional>

// Web addresses open in the desktop's browser, as the Windows shell's "open" verb opens them.
namespace shell {

void openUrl(const QUrl& url);
// Replaces the opener (tests); an empty function restores the desktop's.
void setUrlOpener(std::function<void(const QUrl&)> opener);

}  // namespace shell
