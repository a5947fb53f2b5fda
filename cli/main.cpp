// vltn: Vellotune's command-line tool. Compiles H-MML songs and formats OMP
// data from a terminal or a script, with the same library as the window.

#include "cli/cli_common.h"
#include "cli/verbs.h"
#include "core/version.h"

#include <QCoreApplication>

static QString generalHelp()
{
    QString text = QStringLiteral("使い方: vltn <コマンド> [オプション] <ファイル>\n\nコマンド:\n");
    for (const cli::Verb &verb : cli::verbs())
        text += QStringLiteral("  %1\n").arg(QString::fromUtf8(verb.synopsis));
    text += QStringLiteral("\n各コマンドの詳しい説明: vltn <コマンド> --help\n");
    return text;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vltn"));
    QCoreApplication::setApplicationVersion(VersionText);

    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        cli::err(generalHelp());
        return cli::ExitUsage;
    }
    const QString verbName = args.at(1);
    if (verbName == u"--help" || verbName == u"-h" || verbName == u"help") {
        cli::out(generalHelp());
        return cli::finish(cli::ExitOk);
    }
    if (verbName == u"--version") {
        cli::out(QStringLiteral("vltn %1\n").arg(QCoreApplication::applicationVersion()));
        return cli::finish(cli::ExitOk);
    }
    for (const cli::Verb &verb : cli::verbs()) {
        if (verbName == QLatin1String(verb.name)) {
            args.removeFirst(); // the verb takes the program's place
            return cli::finish(cli::runGuarded(verb.run, args));
        }
    }
    cli::err(QStringLiteral("vltn: 不明なコマンド「%1」です。vltn --help で一覧を表示します。\n").arg(verbName));
    return cli::ExitUsage;
}
