#pragma once
// The question every command asks before it replaces a file the user named.

#include <QString>

class MessageBoxes;
class QWidget;

inline const QString OverwriteQuestion = QStringLiteral("そのファイルは既に存在します。上書きしますか?");

// True when `path` may be written: no file of that name stands there, or the
// user answered Yes. A folder of that name is not a file to replace; the
// write itself then fails with its own message.
bool confirmOverwrite(MessageBoxes &messages, QWidget *parent, const QString &path);
