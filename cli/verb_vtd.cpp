// vltn vtd: writes a song file from an H-MML file, OMP data or another song
// file, as the window's save command does.

#include "cli/cli_common.h"
#include "cli/verbs.h"
#include "cli/song_input.h"

#include "core/song/song_file.h"

#include <QFileInfo>

namespace cli {

int runVtd(const QStringList &args)
{
    const QString verb = QStringLiteral("vtd");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("曲を VTD ファイルに保存します。INPUT は H-MML ファイル、OMP データのファイル (.omp)、"
                       "VTD ファイル (.vtd) のいずれかです。既存の VTD ファイルに保存すると、"
                       "曲の項目だけを書き換え、ほかの行はそのまま残します。"));
    const QCommandLineOption toneOpt(QStringLiteral("tone"),
                                     QStringLiteral("音色 (GM プログラム番号 - 1、0 から 127。-1 は指定なし)。"
                                                    "既定: H-MML の PROGRAM - 1、VTD ファイルの Program"),
                                     QStringLiteral("N"));
    const QCommandLineOption titleOpt(QStringLiteral("title"), QStringLiteral("タイトル。既定: 入力の TITLE"),
                                      QStringLiteral("T"));
    const QCommandLineOption authorOpt(QStringLiteral("author"), QStringLiteral("データ作者。既定: 入力の AUTHOR"),
                                       QStringLiteral("A"));
    const QCommandLineOption copyrightOpt(QStringLiteral("copyright"),
                                          QStringLiteral("著作権。既定: 入力の COPYRIGHT"), QStringLiteral("C"));
    const QCommandLineOption outputOpt = outputOption(QStringLiteral("保存する VTD ファイル (- は標準出力)"));
    parser.addOptions({toneOpt, titleOpt, authorOpt, copyrightOpt, outputOpt});
    addSongArgument(parser);

    int exitCode = ExitOk;
    if (!parseVerb(parser, args, verb, 1, exitCode))
        return exitCode;
    int tone = -1;
    if (!intOption(parser, QStringLiteral("tone"), -1, 127, tone, verb, exitCode))
        return exitCode;
    const QString out = parser.value(outputOpt);
    if (out.isEmpty())
        return usageError(verb, QStringLiteral("保存先を -o で指定してください (- は標準出力)。"));

    const QString input = parser.positionalArguments().at(0);
    // A named song file is updated in place on purpose; standard input is
    // read as H-MML, which a song file written over it would destroy.
    if (isStandardStream(input) && !outputIsNotInput(verb, input, out))
        return ExitFailure;
    SongInput song = loadSongInput(input);
    if (!song.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(song.error));
        return ExitFailure;
    }
    // A PROGRAM the window's tone list cannot show stores no tone rather
    // than a "Program" the window would refuse.
    if (song.tone < -1 || song.tone > 127)
        song.tone = -1;

    if (parser.isSet(toneOpt))
        song.tone = tone;
    if (parser.isSet(titleOpt))
        song.title = parser.value(titleOpt);
    if (parser.isSet(authorOpt))
        song.author = parser.value(authorOpt);
    if (parser.isSet(copyrightOpt))
        song.copyright = parser.value(copyrightOpt);

    // On standard output: the song file as a new one holds it.
    if (isStandardStream(out)) {
        IniDocument document;
        IniWriteResult made = applyIniEntries(document, songEntries(song));
        QString error = made.error;
        if (error.isEmpty())
            error = writeOutput(out, document.toBytes());
        if (!error.isEmpty()) {
            err(QStringLiteral("vltn: %1\n").arg(error));
            return ExitFailure;
        }
        return ExitOk;
    }

    // Keys are written into an existing file in place; into a file that is
    // not a song file (an H-MML source given as OUT by mistake) they would
    // only spoil it.
    const QFileInfo outInfo(out);
    if (outInfo.isFile() && outInfo.size() > 0
        && LoadSong(out).failure == SongLoadResult::Failure::NotSongFile) {
        err(QStringLiteral("vltn: %1 は VTD ファイルではないため、上書きしません。\n").arg(out));
        return ExitFailure;
    }

    const IniWriteResult saved = SaveSong(out, song);
    if (!saved.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(saved.error));
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace cli
