#pragma once
// One of the window's file dialogs (CD1 to CD6): each command always uses
// the same one, so each keeps its own filter and the name last chosen in it.

#include "platform/desktop/file_dialogs.h"

#include <QString>

class QWidget;

class CommonDialog {
public:
    CommonDialog(QString name, QString filter) : m_name(std::move(name)), Filter(std::move(filter)) {}

    const QString &name() const { return m_name; }

    // Shows the dialog; true with FileName set to the chosen path, false when
    // the user cancelled (FileName keeps its value).
    bool ShowOpen(FileDialogs &dialogs, QWidget *parent) { return show(dialogs, parent, FileDialogs::Mode::Open); }
    bool ShowSave(FileDialogs &dialogs, QWidget *parent) { return show(dialogs, parent, FileDialogs::Mode::Save); }

private:
    bool show(FileDialogs &dialogs, QWidget *parent, FileDialogs::Mode mode)
    {
        const std::optional<QString> chosen = dialogs.choose(parent, mode, Filter, FileName);
        if (!chosen)
            return false;
        FileName = *chosen;
        return true;
    }

    QString m_name;

public:
    QString Filter;
    QString FileName;
};
