#include "core/song/song_file.h"

#include "core/song/int16_text.h"

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
    QString fieldError;
    const auto read = [&](const QString &key) {
        QString error;
        std::optional<QString> value = iniValue(loaded.document, Section, key, &error);
        if (fieldError.isEmpty())
            fieldError = error;
        return value;
    };
    const std::optional<QString> omp = read(QStringLiteral("Data"));
    if (!omp && fieldError.isEmpty()) {
        result.failure = SongLoadResult::Failure::NotSongFile;
        result.error = QStringLiteral("%1 は VTD ファイル (曲データ) ではありません。").arg(path);
        return result;
    }
    result.song.omp = omp.value_or(QString());
    result.program = read(QStringLiteral("Program")).value_or(QString());
    result.song.tone = songTone(result.program).value_or(-1);
    result.song.title = read(QStringLiteral("Title")).value_or(QString());
    result.song.copyright = read(QStringLiteral("Copyright")).value_or(QString());
    result.song.author = read(QStringLiteral("Author")).value_or(QString());
    if (!fieldError.isEmpty()) {
        // A field read with bytes lost would be saved back without them.
        result = SongLoadResult();
        result.failure = SongLoadResult::Failure::CannotRead;
        result.error = QStringLiteral("%1 を読めません: %2").arg(path, fieldError);
    }
    return result;
}

QList<IniEntry> songEntries(const QString &omp, const QString &program, const QString &title,
                            const QString &copyright, const QString &author)
{
    return {
        {Section, QStringLiteral("VTDVersion"), QStringLiteral("1.0")},
        {Section, QStringLiteral("Data"), omp},
        {Section, QStringLiteral("Program"), program},
        {Section, QStringLiteral("Title"), title},
        {Section, QStringLiteral("Copyright"), copyright},
        {Section, QStringLiteral("Author"), author},
    };
}

IniWriteResult SaveSong(const QString &path, const QString &omp, const QString &program, const QString &title,
                        const QString &copyright, const QString &author)
{
    return writeIniEntries(path, songEntries(omp, program, title, copyright, author));
}

QList<IniEntry> songEntries(const Song &song)
{
    return songEntries(song.omp, QString::number(song.tone), song.title, song.copyright, song.author);
}

IniWriteResult SaveSong(const QString &path, const Song &song)
{
    return writeIniEntries(path, songEntries(song));
}

std::optional<qint16> songTone(const QString &program)
{
    const std::optional<qint16> value = parseInt16(program);
    if (value && *value >= -1 && *value <= 127)
        return value;
    return std::nullopt;
}
