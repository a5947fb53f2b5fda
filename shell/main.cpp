// Vellotune: the application window.

#include "platform/file_dialogs.h"
#include "platform/fluidsynth_player.h"
#include "platform/message_boxes.h"
#include "platform/system_services.h"
#include "shell/form1.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vellotune"));

    QtFileDialogs dialogs;
    QtMessageBoxes messages;
    RealSystemServices system;
    FluidSynthPlayer player;
    Form1 form({dialogs, messages, system, player, QString()});

    // The command-line text: every argument after the program's own.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!form.startUp(arguments))
        return 0;
    return QApplication::exec();
}
