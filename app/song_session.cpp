#include "app/song_session.h"

#include "app/app_info.h"
#include "core/formats/midi_writer.h"
#include "core/hmml/hmml_file.h"
#include "core/io/read_file.h"
#include "core/notes/selection_omp.h"
#include "core/notes/song_notes.h"
#include "core/song/song_file.h"
#include "core/voice/machine_voice.h"
#include "platform/audio/media_player.h"
#include "platform/audio/sample_player.h"
#include "platform/watch/file_watch.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace {

bool sameFile(const QString &a, const QString &b)
{
    return !a.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

const QString NoOmpData = QStringLiteral("OMPデータがロードされていません");

SessionMessage failure(const QString &text)
{
    return {text, MessageTitle};
}

} // namespace

SongSession::SongSession(MediaPlayer &midiPlayer, SamplePlayer &samplePlayer, const AppSettings &settings,
                         QObject *parent)
    : QObject(parent), m_player(midiPlayer), m_samples(samplePlayer), m_settings(settings)
{
    m_player.setErrorHandler([this](const QString &message) { emit errorReported(failure(message)); });
    m_samples.setErrorHandler([this](const QString &message) { emit errorReported(failure(message)); });
    m_watch = std::make_unique<FileWatch>([this] { songFileSaved(); });
    m_followTimer = new QTimer(this);
    m_followTimer->setInterval(40);
    connect(m_followTimer, &QTimer::timeout, this, &SongSession::followPlayback);
    connect(&m_import, &QFutureWatcher<ImportWork>::finished, this, &SongSession::importDone);
}

SongSession::~SongSession()
{
    // An import still running is stopped, and waited for: it tells this
    // session how far it is.
    if (m_importing) {
        m_cancelImport->store(true);
        m_import.waitForFinished();
    }
    m_player.setErrorHandler({});
    m_samples.setErrorHandler({});
}

Song SongSession::song() const
{
    Song s = m_song;
    if (m_fromHmml)
        s.hmmlPath = m_songFile;
    else
        s.hmmlSource.clear();
    return s;
}

void SongSession::setOmp(const QString &omp)
{
    m_song.omp = omp;
    // Typed: no longer the data as compiled.
    m_lines.reset();
    ++m_ompChanges;
}

void SongSession::setTitle(const QString &title)
{
    m_song.title = title;
}

void SongSession::setCopyright(const QString &copyright)
{
    m_song.copyright = copyright;
}

void SongSession::setAuthor(const QString &author)
{
    m_song.author = author;
}

void SongSession::setTone(int tone)
{
    m_song.tone = tone;
}

void SongSession::setOmpText(const QString &omp, std::shared_ptr<const hmml::NoteLineMap> lines)
{
    m_song.omp = omp;
    m_lines = std::move(lines);
    ++m_ompChanges;
}

QString SongSession::temporaryFilePath() const
{
    return QDir(m_tempDir).filePath(QStringLiteral("vltn.dat"));
}

QString SongSession::ompSeparator() const
{
    return separatorText(m_settings);
}

qint32 SongSession::ompInterval() const
{
    return separatorInterval(m_settings);
}

std::optional<Machine> SongSession::soundingMachine() const
{
    return ::voiceMachine(m_settings);
}

voice::Program SongSession::voiceProgram() const
{
    return m_settings.VoiceProgram == 1 ? voice::Program::Omp : voice::Program::Beep;
}

SessionMessage SongSession::openSongFile(const QString &path)
{
    if (const QString error = ReadFile::regularFileError(path); !error.isEmpty())
        return failure(error);
    const SongLoadResult loaded = LoadSong(path);
    // Nothing of the current song is touched by a file that is not one.
    if (!loaded.ok())
        return failure(loaded.error);
    setOmpText(loaded.song.omp, {});
    setSongFile(QString());
    m_fromHmml = false;
    m_song.title = loaded.song.title;
    m_song.copyright = loaded.song.copyright;
    m_song.author = loaded.song.author;
    Fields changed = Field::Omp | Field::Title | Field::Copyright | Field::Author;
    // A "Program" the list cannot show leaves the tone as it was.
    if (const std::optional<qint16> tone = songTone(loaded.program)) {
        m_song.tone = *tone;
        changed |= Field::Tone;
    }
    emit songChanged(changed);
    return {};
}

SessionMessage SongSession::openHmmlFile(const QString &path)
{
    // A device or a pipe would be read without end, and the window with it.
    if (const QString error = ReadFile::regularFileError(path); !error.isEmpty())
        return failure(error);
    const HmmlFileText file = readHmmlFile(path);
    if (!file.ok())
        return failure(file.error);
    setSongFile(path);
    return compileHmml(file.text);
}

SessionMessage SongSession::compileHmml(const QString &text)
{
    return showCompile(text, convertHmml(text, ompSeparator(), ompInterval()));
}

SessionMessage SongSession::showCompile(const QString &text, const HmmlConversion &conversion)
{
    if (!conversion.ok()) {
        m_song.hmmlSource = text;
        setOmpText(QString(), {});
        emit songChanged(Field::Omp);
        return failure(conversionErrorMessage(conversion.status));
    }
    showConversion(conversion);
    return {};
}

void SongSession::showConversion(const HmmlConversion &conversion)
{
    m_song.hmmlSource = conversion.song.hmmlSource;
    m_fromHmml = true;
    setOmpText(conversion.song.omp, conversion.lines);
    m_song.title = conversion.song.title;
    m_song.copyright = conversion.song.copyright;
    m_song.author = conversion.song.author;
    Fields changed = Field::Omp | Field::Title | Field::Copyright | Field::Author;
    // A program outside the list cannot be shown: the tone stays as it was.
    if (const std::optional<int> tone = toneAfterConversion(conversion, m_settings.DefaultTone)) {
        m_song.tone = *tone;
        changed |= Field::Tone;
    }
    emit songChanged(changed);
}

void SongSession::startImport(const QString &path)
{
    if (m_importing)
        return;
    m_importing = true;
    m_cancelImport = std::make_shared<std::atomic<bool>>(false);
    // Told on the other thread; shown on this one.
    const std::function<void(int)> progress = [this](int permille) {
        QMetaObject::invokeMethod(
            this,
            [this, permille] {
                if (m_importing)
                    emit importProgress(permille);
            },
            Qt::QueuedConnection);
    };
    m_import.setFuture(QtConcurrent::run(
        [path, progress](std::shared_ptr<std::atomic<bool>> cancel, QString separator, qint32 interval) {
            ImportWork work;
            work.outcome.path = path;
            // A device or a pipe would be read without end.
            if (const QString error = ReadFile::regularFileError(path); !error.isEmpty()) {
                work.outcome.imported.error = error;
                return work;
            }
            importer::ImportOptions options;
            options.window = true;
            work.outcome.imported = importer::importMidiFile(path, options, {progress, cancel.get()});
            if (work.outcome.imported.ok() && !*cancel)
                work.conversion = convertHmml(work.outcome.imported.hmml, separator, interval);
            return work;
        },
        m_cancelImport, ompSeparator(), ompInterval()));
}

void SongSession::cancelImport()
{
    if (m_importing)
        m_cancelImport->store(true);
}

void SongSession::importDone()
{
    ImportWork work = m_import.result();
    ImportOutcome &outcome = work.outcome;
    m_importing = false;
    // Cancelled also when the work was done before the cancel came here.
    outcome.cancelled = outcome.imported.cancelled || *m_cancelImport;
    const bool taken = !outcome.cancelled && outcome.imported.ok();
    if (taken) {
        // The song is compiled as an H-MML file is on loading; the user
        // then keeps its text as a file of its own, or not.
        outcome.compileError = showCompile(outcome.imported.hmml, work.conversion);
        if (!outcome.compileError.hasMessage())
            setSongFile(QString());
    }
    // What waited, unless the song is another now.
    std::optional<std::pair<HmmlConversion, QString>> live = std::exchange(m_liveWaiting, std::nullopt);
    const bool reload = std::exchange(m_reloadWaiting, false);
    if (!taken) {
        if (live)
            showLiveConversion(live->first, live->second);
        if (reload)
            songFileSaved();
    }
    emit importFinished(outcome);
}

void SongSession::showLiveConversion(const HmmlConversion &conversion, const QString &editorFile)
{
    if (m_importing) {
        m_liveWaiting.emplace(conversion, editorFile);
        return;
    }
    const bool replay = std::exchange(m_replayOnNextSong, false);
    // An empty text is no song; the song on show was compiled from this very
    // text already (and its OMP data may have been edited by hand since).
    if (!conversion.ok() || conversion.song.hmmlSource.isEmpty()
        || (m_fromHmml && conversion.song.hmmlSource == m_song.hmmlSource))
        return;
    showConversion(conversion);
    setSongFile(editorFile);
    if (replay)
        if (const SessionMessage error = play(); error.hasMessage())
            emit errorReported(error);
}

void SongSession::setSongFile(const QString &path)
{
    m_songFile = path;
    m_watch->watch(m_settings.AutoReload != 0 ? path : QString());
}

void SongSession::setEditorFile(const QString &path)
{
    m_editorFile = path;
}

void SongSession::settingsChanged()
{
    // The song's tone becomes the preferred one, changed or not.
    m_song.tone = m_settings.DefaultTone;
    emit songChanged(Field::Tone);
    emit ompLayoutChanged(ompSeparator(), ompInterval());
    emit voiceChanged();
    setSongFile(m_songFile); // watched, or no longer
}

void SongSession::nameIfUntitled(const QString &title)
{
    if (!m_song.title.isEmpty())
        return;
    m_song.title = title;
    emit songChanged(Field::Title);
}

SessionMessage SongSession::play()
{
    const QString errorTitle = QStringLiteral("ERROR-") + MessageTitle;
    if (m_song.omp.isEmpty())
        return {NoOmpData + QStringLiteral("\r\nOMPデータをロードするか、HMLファイルをロードしてください"), errorTitle};
    if (!m_song.omp.startsWith(u'$'))
        return {QStringLiteral("OMPデータが無効です\r\n正しいOMPデータをロードするか、HMLファイルをロードしてください"),
                errorTitle};
    return playFrom(0);
}

SessionMessage SongSession::playFromLine(int line)
{
    if (!m_lines)
        return failure(QStringLiteral("カーソルの行から再生できません。OMPデータが H-MML から変換したままではありません。\r\n"
                                      "H-MMLを変換し直してください。"));
    const qsizetype note = m_lines->firstNoteFrom(line);
    if (note < 0)
        return failure(QStringLiteral("カーソルの行から後に音符がありません。"));
    return playFrom(note);
}

SessionMessage SongSession::playFrom(qsizetype firstNote)
{
    m_loopRange = {};
    const QString data = firstNote == 0 ? m_song.omp : omp::NoteTimeline(m_song.omp).from(firstNote);
    return playData(data, firstNote, {}, m_settings.LoopPlay == 1 ? 0 : 1);
}

SessionMessage SongSession::loopLines(std::function<std::pair<int, int>()> range)
{
    m_loopRange = std::move(range);
    const SessionMessage error = nextLoopTurn();
    if (error.hasMessage())
        m_loopRange = {};
    return error;
}

SessionMessage SongSession::nextLoopTurn()
{
    if (!m_lines)
        return failure(QStringLiteral("選択範囲をループ再生できません。OMPデータが H-MML から変換したままではありません。\r\n"
                                      "H-MMLを変換し直してください。"));
    const auto [firstLine, lastLine] = m_loopRange();
    const notes::SongNotes song(m_song.omp, m_lines);
    const QString data = notes::selectionOmp(song, firstLine, lastLine);
    if (data.isEmpty())
        return failure(QStringLiteral("選択範囲の行に音符がありません。"));
    // The notes it plays, in order: those read from the lines.
    std::vector<qsizetype> notes;
    for (qsizetype i = 0; i < song.size(); ++i)
        if (song[i].line >= firstLine && song[i].line <= lastLine)
            notes.push_back(i);
    return playData(data, 0, std::move(notes), 1);
}

qsizetype SongSession::Playing::songNote(qsizetype playedNote) const
{
    if (playedNote < 0)
        return -1;
    if (notes.empty())
        return first + playedNote;
    return playedNote < qsizetype(notes.size()) ? notes[size_t(playedNote)] : -1;
}

SessionMessage SongSession::playData(const QString &omp, qsizetype firstNote, std::vector<qsizetype> notes, int playCount)
{
    Playing playing{omp::NoteTimeline(m_song.omp), m_lines, m_ompChanges, omp::NoteTimeline(omp), firstNote,
                    std::move(notes), nullptr};
    // One sound at a time; closing the media first lets the file be written
    // again, and the data is written anew, so a second press reloads it.
    m_player.setFileName(QString());
    m_samples.stop();
    if (const std::optional<Machine> machine = soundingMachine()) {
        const voice::SoundEvents sounds = voice::soundEvents(omp, *machine, voiceProgram());
        if (!sounds.ok())
            return failure(sounds.error);
        auto sound = std::make_shared<const voice::Voice>(sounds.events, m_settings.StatementGap / 1000.0);
        m_samples.play(SampleStream{sound->frameCount(),
                                    [sound](qint64 first, float *out, int count) { sound->render(first, out, count); }});
        m_samples.setPlayCount(playCount);
        playing.voice = std::move(sound);
    } else {
        const MidiResult written = MIDI_Exp(omp, temporaryFilePath(), m_song.tone);
        if (!written.ok())
            return failure(written.error);
        m_player.setFileName(temporaryFilePath());
        m_player.setPlayCount(playCount);
    }
    m_playing = std::move(playing);
    m_followTimer->start();
    followPlayback();
    return {};
}

void SongSession::stop()
{
    m_loopRange = {};
    m_player.setFileName(QString());
    m_samples.stop();
    followPlayback();
}

bool SongSession::isPlaying() const
{
    return m_player.isPlaying() || m_samples.isPlaying();
}

void SongSession::followPlayback()
{
    if (!isPlaying()) {
        // A loop's turn is over: the next one, with the range and the song
        // as they are now.
        if (m_loopRange) {
            const SessionMessage error = nextLoopTurn();
            if (!error.hasMessage())
                return;
            m_loopRange = {};
            emit errorReported(error);
        }
        m_followTimer->stop();
        emit soundingNote(0, -1, -1);
        emit playPosition(-1);
        return;
    }
    qsizetype played = -1;
    qint64 into = 0; // ticks into that note, as the MIDI file times it
    if (m_playing.voice) {
        played = m_playing.voice->noteAt(m_samples.positionFrame());
    } else {
        const qint64 tick = std::llround(m_player.position() * omp::MidiTicksPerSecond);
        const omp::TimedNote note = m_playing.played.noteAt(tick);
        played = note.index;
        into = tick - note.tick;
    }
    const omp::TimedNote note = m_playing.timeline.note(m_playing.songNote(played));
    if (!note.valid())
        return;
    emit playPosition(double(note.tick + into) * 1000.0 / omp::MidiTicksPerSecond);
    if (!m_playing.lines)
        return;
    const int line = m_playing.lines->lineOf(note.index);
    // Only the characters of the data that plays, as compiled.
    if (m_playing.ompChanges == m_ompChanges)
        emit soundingNote(line, note.start, note.pos + 1);
    else
        emit soundingNote(line, -1, -1);
}

void SongSession::songFileSaved()
{
    if (m_importing) {
        m_reloadWaiting = true;
        return;
    }
    // A message of the last reload may still be open.
    if (m_reloading)
        return;
    m_reloading = true;
    const bool wasPlaying = m_player.isPlaying();
    if (sameFile(m_editorFile, m_songFile)) {
        // The editor holds the file: it reads it, unless it holds changes of
        // its own, and its compile brings the song.
        emit editorFileSaved();
    } else if (ReadFile::regularFileError(m_songFile).isEmpty()) {
        const HmmlFileText file = readHmmlFile(m_songFile);
        if (!file.ok()) {
            emit errorReported(failure(file.error));
        } else if (file.text != m_song.hmmlSource) {
            const HmmlConversion conversion = convertHmml(file.text, ompSeparator(), ompInterval());
            // A save with a mistake keeps the song that played before.
            if (!conversion.ok()) {
                emit errorReported(failure(conversionErrorMessage(conversion.status)));
            } else {
                showConversion(conversion);
                if (wasPlaying)
                    if (const SessionMessage error = play(); error.hasMessage())
                        emit errorReported(error);
            }
        }
    }
    m_reloading = false;
}
