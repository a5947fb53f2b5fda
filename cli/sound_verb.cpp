// vltn play and vltn wav run in vltn-sound: the synthesizer and its libraries
// are loaded only when a song is to be heard, so that every other verb
// starts small.

#include "cli/cli_common.h"
#include "cli/verbs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <vector>

#include <unistd.h>

namespace cli {

namespace {

// Beside vltn in the build tree; in libexec/vellotune once installed.
QString soundProgram()
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {here.filePath(QStringLiteral("vltn-sound")),
                                     here.filePath(QStringLiteral("../libexec/vellotune/vltn-sound"))}) {
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).absoluteFilePath();
    }
    return {};
}

} // namespace

int runSoundVerb(const QStringList &args)
{
    const QString program = soundProgram();
    if (program.isEmpty()) {
        err(QStringLiteral("vltn: 再生用のプログラム vltn-sound が見つかりません。インストールを確かめてください。\n"));
        return ExitFailure;
    }
    // The helper takes this process's place: the terminal, Ctrl-C and the
    // exit code are the user's directly.
    std::vector<QByteArray> bytes;
    bytes.push_back(QFile::encodeName(program));
    for (const QString &arg : args)
        bytes.push_back(arg.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    ::execv(argv[0], argv.data());
    err(QStringLiteral("vltn: %1 を起動できません。\n").arg(program));
    return ExitFailure;
}

} // namespace cli
