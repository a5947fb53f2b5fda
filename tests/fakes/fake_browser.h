#pragma once

#include "platform/desktop/browser.h"

#include <QList>

// Records every address it is asked to show; `opens` false plays a desktop
// without a browser.
class FakeBrowser final : public Browser {
public:
    bool opens = true;
    QList<QUrl> opened;

    bool open(const QUrl &url) override
    {
        opened << url;
        return opens;
    }
};
