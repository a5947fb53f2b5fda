#include "cli/song_input.h"

#include "cli/vtd_input.h"

#include "hmml/compiler.h"
#include "hmml/formatter.h"
#include "hmml/hmml_file.h"
#include "platform/read_file.h"
#include "platform/text_file.h"

namespace cli {

int SongInput::midiProgram(QString *warning) const
{
    if (tone >= 0 && tone <= 127)
        return tone;
    if (tone != -1 && warning)
        *warning = QStringLiteral("音色番号 (PROGRAM %1) が 1 から 128 の範囲外のため、音色 1 (プログラム 0) で書き出します。")
                       .arg(tone + 1);
    return 0;
}

bool isOmpDataPath(const QString &path)
{
    return path.endsWith(QLatin1String(".omp"), Qt::CaseInsensitive);
}

SongInput loadSongInput(const QString &path)
{
    SongInput song;
    if (isVtdPath(path)) {
        const VtdInput vtd = loadVtdInput(path);
        song.omp = vtd.omp;
        song.title = vtd.title;
        song.author = vtd.author;
        song.copyright = vtd.copyright;
        song.tone = vtd.tone;
        song.error = vtd.error;
        return song;
    }
    if (isOmpDataPath(path)) {
        const ReadFile::Result read = ReadFile::readAll(path);
        if (!read.ok()) {
            song.error = read.error;
            return song;
        }
        const TextFile::DecodeResult decoded = TextFile::decodeText(read.bytes);
        if (!decoded.ok()) {
            song.error = QStringLiteral("%1 を読めません: %2").arg(ReadFile::displayName(path), decoded.error);
            return song;
        }
        song.omp = decoded.text;
        qsizetype end = song.omp.size();
        while (end > 0 && (song.omp[end - 1] == u'\r' || song.omp[end - 1] == u'\n'))
            --end;
        song.omp.truncate(end);
        return song;
    }

    const HmmlFileText file = readHmmlFile(path);
    if (!file.ok()) {
        song.error = file.error;
        return song;
    }
    // The compiler keeps the last PROGRAM for the whole process (the window
    // relies on that); each song loaded here stands on its own.
    HMML_ResetProgramNumber();
    ConversionStatus status;
    HmmlSongFields fields;
    QString omp = HMML_Convert(file.text, QStringLiteral("\r\n"), true, status, fields);
    if (status.ok())
        omp = OMP_Format(omp, QString(), 0, status);
    if (!status.ok()) {
        song.error = QStringLiteral("%1:%2: error: %3").arg(path).arg(status.line).arg(status.message);
        return song;
    }
    song.omp = omp;
    song.title = fields.title;
    song.author = fields.author;
    song.copyright = fields.copyright;
    song.tone = HMML_ProgramNumber() - 1;
    return song;
}

} // namespace cli
