// vltn-sound: the verbs of vltn that make sound (play, wav), started by vltn.

#include "cli/cli_common.h"
#include "cli/verbs.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vltn"));
    QStringList args = QCoreApplication::arguments();
    if (args.size() >= 2) {
        const QString verb = args.at(1);
        args.removeFirst(); // the verb takes the program's place
        if (verb == u"play")
            return cli::finish(cli::runGuarded(cli::runPlay, args));
        if (verb == u"wav")
            return cli::finish(cli::runGuarded(cli::runWav, args));
    }
    cli::err(QStringLiteral("vltn-sound は vltn play と vltn wav が使います。直接ではなく vltn から実行してください。\n"));
    return cli::ExitUsage;
}
