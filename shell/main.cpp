// Vellotune: the application window.

#include "platform/browser.h"
#include "platform/file_dialogs.h"
#include "platform/fluidsynth_player.h"
#include "platform/message_boxes.h"
#include "platform/system_services.h"
#include "shell/form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vellotune"));
    // The desktop entry's name, so that the desktop matches our windows to
    // its icon; every window takes the program's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vellotune"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vellotune/vellotune.svg")));

    QtFileDialogs dialogs;
    QtMessageBoxes messages;
    RealSystemServices system;
    FluidSynthPlayer player;
    DesktopBrowser browser;
    Form1 form({dialogs, messages, system, player, browser, QString()});

    // The command-line text: every argument after the program's own.
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!form.startUp(arguments))
        return 0;
    return QApplication::exec();
}
