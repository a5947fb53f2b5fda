#pragma once
// File choosers. The windows never create a Qt dialog themselves: they ask
// this service, which tests replace with a scripted one.

#include <QString>

#include <optional>

class QWidget;

class FileDialogs {
public:
    enum class Mode { Open, Save };
    virtual ~FileDialogs() = default;

    // Shows a modal file dialog and returns the path exactly as chosen or
    // typed (no extension added), or nothing when the user cancels. `filter`
    // is in the "description|pattern|description|pattern" form; the dialog
    // asks nothing about existing files (the commands ask themselves).
    virtual std::optional<QString> choose(QWidget *parent, Mode mode, const QString &filter,
                                          const QString &initialPath) = 0;
};

// The real one, on QFileDialog.
class QtFileDialogs final : public FileDialogs {
public:
    std::optional<QString> choose(QWidget *parent, Mode mode, const QString &filter,
                                  const QString &initialPath) override;
};

// "*.vtd (Vellotune Data) |*.vtd|*.* (All Files) |*.*" becomes
// "*.vtd (Vellotune Data) (*.vtd);;*.* (All Files) (*.*)": pairs of a
// description and ";"-separated patterns, as QFileDialog wants them.
QString toQtFilter(const QString &pairs);
