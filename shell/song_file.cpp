#include "shell/song_file.h"

#include "shell/int16_text.h"

namespace {

const QString Section = QStringLiteral("Data");

} // namespace

SongLoadResult LoadSong(const QString &path)
{
    SongLoadResult result;
    const IniLoadResult loaded = loadIniFile(path);
    if (loaded.missing) {
        result.failure = SongLoadResult::Failure::CannotRead;
        result.error = QStringLiteral("ファイル %1 が見つかりません。").arg(path);
        return result;
    }
    if (!loaded.ok()) {
        result.failure = SongLoadResult::Failure::CannotRead;
        result.error = loaded.error;
        return result;
    }
    const auto read = [&](const QString &key) {
        return iniValue(loaded.document, Section, key);
    };
    const std::optional<QString> omp = read(QStringLiteral("Data"));
    if (!omp) {
        result.failure = SongLoadResult::Failure::NotSongFile;
        result.error = QStringLiteral("%1 は VTD ファイル (曲データ) ではありません。").arg(path);
        return result;
    }
    result.song.omp = *omp;
    result.song.program = read(QStringLiteral("Program")).value_or(QString());
    result.song.title = read(QStringLiteral("Title")).value_or(QString());
    result.song.copyright = read(QStringLiteral("Copyright")).value_or(QString());
    result.song.author = read(QStringLiteral("Author")).value_or(QString());
    return result;
}

IniWriteResult SaveSong(const QString &path, const QString &omp, const QString &program, const QString &title,
                        const QString &copyright, const QString &author)
{
    return writeIniEntries(path, {
                                     {Section, QStringLiteral("VTDVersion"), QStringLiteral("1.0")},
                                     {Section, QStringLiteral("Data"), omp},
                                     {Section, QStringLiteral("Program"), program},
                                     {Section, QStringLiteral("Title"), title},
                                     {Section, QStringLiteral("Copyright"), copyright},
                                     {Section, QStringLiteral("Author"), author},
                                 });
}

std::optional<qint16> songTone(const QString &program)
{
    const std::optional<qint16> value = parseInt16(program);
    if (value && *value >= -1 && *value <= 127)
        return value;
    return std::nullopt;
}
