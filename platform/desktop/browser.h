#pragma once
// The user's web browser, behind an interface so tests can record what the
// about box asked it to show.

#include <QUrl>

class Browser {
public:
    virtual ~Browser() = default;

    // Shows `url` in the user's web browser, in a window of its own, without
    // waiting for it. False when no browser took the address.
    virtual bool open(const QUrl &url) = 0;
};

// The real one: the desktop's handler for the address (QDesktopServices).
class DesktopBrowser final : public Browser {
public:
    bool open(const QUrl &url) override;
};
