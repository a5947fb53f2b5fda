#include "app/overwrite_question.h"

#include "platform/desktop/message_boxes.h"
#include "app/app_info.h"

#include <QFileInfo>

bool confirmOverwrite(MessageBoxes &messages, QWidget *parent, const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return true;
    return messages.show(parent, MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNo, MessageTitle,
                         OverwriteQuestion)
        == MessageBoxes::Answer::Yes;
}
