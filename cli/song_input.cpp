#include "cli/song_input.h"

#include "core/hmml/hmml_file.h"
#include "core/io/read_file.h"
#include "core/io/text_file.h"
#include "core/song/song_conversion.h"
#include "core/song/song_file.h"

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

bool isVtdPath(const QString &path)
{
    return path.endsWith(QLatin1String(".vtd"), Qt::CaseInsensitive);
}

SongInput loadSongInput(const QString &path)
{
    SongInput song;
    if (isVtdPath(path)) {
        const SongLoadResult loaded = LoadSong(path);
        static_cast<Song &>(song) = loaded.song;
        song.error = loaded.error;
        return song;
    }
    if (isOmpDataPath(path)) {
        const ReadFile::Result read = ReadFile::readAll(path);
        if (!read.ok()) {
            song.error = read.error;
            return song;
        }
        const TextFile::DecodeResult decoded = TextFile::decodeTextFile(read.bytes);
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
    const HmmlConversion converted = convertHmml(file.text, QString(), 0);
    if (!converted.ok()) {
        song.error = conversionErrorLine(path, converted.status);
        return song;
    }
    static_cast<Song &>(song) = converted.song;
    song.lines = converted.lines;
    song.hmmlPath = path;
    // Each song stands on its own: no PROGRAM is no tone, whatever an
    // earlier song said.
    song.tone = converted.program - 1;
    return song;
}

} // namespace cli
