#pragma once
// One of a window's file dialogs: each command always uses the same one, so
// each keeps its own filter and the name last chosen in it. `name` is the
// dialog's name in the original forms (CD1, CD2, ...).

#include "platform/desktop/file_dialogs.h"

#include <QString>

class QWidget;

class CommonDialog {
public:
    CommonDialog(QString name, QString filter) : m_name(std::move(name)), filter(std::move(filter)) {}

    const QString &name() const { return m_name; }

    // Shows the dialog; true with fileName set to the chosen path, false when
    // the user cancelled (fileName keeps its value).
    bool showOpen(FileDialogs &dialogs, QWidget *parent) { return show(dialogs, parent, FileDialogs::Mode::Open); }
    bool showSave(FileDialogs &dialogs, QWidget *parent) { return show(dialogs, parent, FileDialogs::Mode::Save); }

private:
    bool show(FileDialogs &dialogs, QWidget *parent, FileDialogs::Mode mode)
    {
        const std::optional<QString> chosen = dialogs.choose(parent, mode, filter, fileName);
        if (!chosen)
            return false;
        fileName = *chosen;
        return true;
    }

    QString m_name;

public:
    QString filter;
    QString fileName;
};
