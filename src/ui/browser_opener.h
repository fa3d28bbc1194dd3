// A page shown in the desktop's browser through xdg-open, with its failure told.
// QDesktopServices only says whether xdg-open could be started: xdg-open that finds
// no browser (exit status 3) or whose browser fails would pass for success.
#pragma once

#include <QUrl>
#include <functional>

class QObject;

namespace snaprill {

// Opens url; failed is called once, later or at once, when xdg-open is missing or
// ends with an error within kBrowserFailureWindowMs. xdg-open waits for some
// browsers it starts, and their end long after says nothing about the page. The
// watch ends with owner.
void openInBrowser(const QUrl& url, QObject* owner, std::function<void()> failed);

inline constexpr int kBrowserFailureWindowMs = 30000;

}  // namespace snaprill
