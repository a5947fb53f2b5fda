#include "cli/vtd_input.h"

#include "shell/song_file.h"

namespace cli {

bool isVtdPath(const QString &path)
{
    return path.endsWith(QLatin1String(".vtd"), Qt::CaseInsensitive);
}

VtdInput loadVtdInput(const QString &path)
{
    VtdInput input;
    const SongLoadResult loaded = LoadSong(path);
    if (!loaded.ok()) {
        input.error = loaded.error;
        return input;
    }
    input.omp = loaded.song.omp;
    input.title = loaded.song.title;
    input.author = loaded.song.author;
    input.copyright = loaded.song.copyright;
    input.tone = songTone(loaded.song.program).value_or(-1);
    return input;
}

} // namespace cli
