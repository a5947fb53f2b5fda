#include "platform/desktop/browser.h"

#include <QDesktopServices>

bool DesktopBrowser::open(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
