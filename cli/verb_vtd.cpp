// vltn vtd: writes a song file from an H-MML file, OMP data or another song
// file, as the window's save command does.

#include "cli/cli_common.h"
#include "cli/verbs.h"
#include "cli/vtd_input.h"

#include "hmml/compiler.h"
#include "hmml/formatter.h"
#include "hmml/hmml_file.h"
#include "platform/text_file.h"
#include "shell/song_file.h"

#include <QFileInfo>

namespace cli {

namespace {

struct Song {
    QString omp;
    QString title;
    QString author;
    QString copyright;
    int tone = -1;
};

// H-MML source: compiled and compacted as the load-and-convert command does,
// without separators.
bool loadHmml(const QString &path, Song &song)
{
    const HmmlFileText file = readHmmlFile(path);
    if (!file.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(file.error));
        return false;
    }
    ConversionStatus status;
    HmmlSongFields fields;
    const QString raw = HMML_Convert(file.text, QStringLiteral("\r\n"), true, status, fields);
    if (status.ok())
        song.omp = OMP_Format(raw, QString(), 0, status);
    if (!status.ok()) {
        err(QStringLiteral("%1:%2: error: %3\n").arg(path).arg(status.line).arg(status.message));
        return false;
    }
    song.title = fields.title;
    song.author = fields.author;
    song.copyright = fields.copyright;
    // PROGRAM 1 to 128 is tone 0 to 127. No PROGRAM (0), or a number the
    // window's tone list cannot show, stores no tone rather than a "Program"
    // the window would refuse.
    const int program = HMML_ProgramNumber();
    song.tone = (program >= 1 && program <= 128) ? program - 1 : -1;
    return true;
}

// OMP data as typed into a text file: stored as it stands, less the line
// break that ends the file.
bool loadOmp(const QString &path, Song &song)
{
    const TextFile::ReadResult read = TextFile::readBytes(path);
    if (!read.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(read.error));
        return false;
    }
    QString text = TextFile::decode(read.bytes);
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    song.omp = text;
    return true;
}

bool loadVtd(const QString &path, Song &song)
{
    const VtdInput input = loadVtdInput(path);
    if (!input.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(input.error));
        return false;
    }
    song = {input.omp, input.title, input.author, input.copyright, input.tone};
    return true;
}

} // namespace

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
    const QCommandLineOption outputOpt({QStringLiteral("o"), QStringLiteral("output")},
                                       QStringLiteral("保存する VTD ファイル"), QStringLiteral("OUT"));
    parser.addOptions({toneOpt, titleOpt, authorOpt, copyrightOpt, outputOpt});
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("H-MML ファイル (- は標準入力)、.omp ファイルまたは .vtd ファイル"));

    int exitCode = ExitOk;
    if (!parseVerb(parser, args, verb, 1, exitCode))
        return exitCode;
    int tone = -1;
    if (!intOption(parser, QStringLiteral("tone"), -1, 127, tone, verb, exitCode))
        return exitCode;
    const QString out = parser.value(outputOpt);
    if (out.isEmpty())
        return usageError(verb, QStringLiteral("保存先を -o で指定してください。"));

    const QString input = parser.positionalArguments().at(0);
    Song song;
    bool loaded;
    if (isVtdPath(input))
        loaded = loadVtd(input, song);
    else if (input.endsWith(QLatin1String(".omp"), Qt::CaseInsensitive))
        loaded = loadOmp(input, song);
    else
        loaded = loadHmml(input, song);
    if (!loaded)
        return ExitFailure;

    if (parser.isSet(toneOpt))
        song.tone = tone;
    if (parser.isSet(titleOpt))
        song.title = parser.value(titleOpt);
    if (parser.isSet(authorOpt))
        song.author = parser.value(authorOpt);
    if (parser.isSet(copyrightOpt))
        song.copyright = parser.value(copyrightOpt);

    // Keys are written into an existing file in place; into a file that is
    // not a song file (an H-MML source given as OUT by mistake) they would
    // only spoil it.
    const QFileInfo outInfo(out);
    if (outInfo.isFile() && outInfo.size() > 0
        && LoadSong(out).failure == SongLoadResult::Failure::NotSongFile) {
        err(QStringLiteral("vltn: %1 は VTD ファイルではないため、上書きしません。\n").arg(out));
        return ExitFailure;
    }

    const IniWriteResult saved =
        SaveSong(out, song.omp, QString::number(song.tone), song.title, song.copyright, song.author);
    if (!saved.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(saved.error));
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace cli
