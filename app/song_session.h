#pragma once
// The song the windows work on, and everything that happens to it: opened
// from a song file, compiled from H-MML (a file, the editor's text, a MIDI
// file imported), read again when another program saves its file, played
// (from the start or from a note) with where the sound is, and saved. The
// main window and the editor show it and send it commands; it announces
// every change with a signal and never touches a window.

#include "core/hmml/note_lines.h"
#include "core/importer/midi_import.h"
#include "core/omp/note_timeline.h"
#include "core/song/settings.h"
#include "core/song/song.h"
#include "core/song/song_conversion.h"
#include "core/voice/machine_sound.h"

#include <QFlags>
#include <QFutureWatcher>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class FileWatch;
class MediaPlayer;
class SamplePlayer;
class QTimer;

namespace voice {
class Voice;
} // namespace voice

// What a command could not do: the message, and the title of the box that
// shows it. Empty when the command did its work.
struct SessionMessage {
    QString text;
    QString title;
    bool hasMessage() const { return !text.isEmpty(); }
};

class SongSession : public QObject {
    Q_OBJECT
public:
    // The fields a change touched.
    enum class Field { Omp = 1, Title = 2, Copyright = 4, Author = 8, Tone = 16 };
    Q_DECLARE_FLAGS(Fields, Field)
    static constexpr Fields AllFields = Fields(0x1F);

    // `settings` is the window's, read at every command (the separators, the
    // default tone, loop play, automatic reloading, the voice). The song
    // plays through `midiPlayer` with its General MIDI tone, or through
    // `samplePlayer` in a pocket computer's own voice.
    SongSession(MediaPlayer &midiPlayer, SamplePlayer &samplePlayer, const AppSettings &settings,
                QObject *parent = nullptr);
    ~SongSession() override;

    // The song as it stands, typed edits included. Its H-MML source and file
    // are there while the OMP data was compiled from them.
    Song song() const;
    const QString &omp() const { return m_song.omp; }
    int tone() const { return m_song.tone; }
    // The H-MML last read or compiled (every line followed by "\r\n").
    const QString &hmmlSource() const { return m_song.hmmlSource; }
    bool isFromHmml() const { return m_fromHmml; }
    // The song's H-MML file, watched for saves by other programs while the
    // automatic reloading is on; empty when the song has none.
    const QString &songFile() const { return m_songFile; }

    // Edits the user typed into the main window (nothing is announced: the
    // window already shows them). Typed OMP data is no longer as compiled.
    void setOmp(const QString &omp);
    void setTitle(const QString &title);
    void setCopyright(const QString &copyright);
    void setAuthor(const QString &author);
    void setTone(int tone);

    // The song of a VTD file. A file that is not one changes nothing.
    SessionMessage openSongFile(const QString &path);
    // Reads and compiles an H-MML file; it is the song's file from then on,
    // also when it does not compile (fixed elsewhere, it is read again).
    SessionMessage openHmmlFile(const QString &path);
    // Compiles `text` as a file's text is on loading. A failed conversion
    // empties the OMP data and keeps the rest of the song.
    SessionMessage compileHmml(const QString &text);

    // What an import of a MIDI file came to.
    struct ImportOutcome {
        QString path;                    // the MIDI file
        importer::ImportResult imported; // its H-MML text and report, or why not
        SessionMessage compileError;     // the text did not compile (the song has no OMP data then)
        bool cancelled = false;          // stopped: the song is as it was
    };
    // A MIDI file's melody as a song (not yet a file of its own): read,
    // taken and compiled as a loaded H-MML file is, on another thread.
    // importProgress tells how far it is, importFinished what came of it.
    // The song changes once the melody is taken; cancelled, it stays as it
    // was. One import at a time. Meanwhile the editor's compiles and a save
    // of the song's file by another program wait: after an import that took
    // a song they are left, it being another song now.
    void startImport(const QString &path);
    void cancelImport();
    bool isImporting() const { return m_importing; }
    // What the editor compiled: a good result is shown as a loaded file is;
    // a failed one, an empty text or the text already shown change nothing.
    // `editorFile`: the file the editor's text belongs to.
    void showLiveConversion(const HmmlConversion &conversion, const QString &editorFile);
    // The song's H-MML file from now on (watched), or none.
    void setSongFile(const QString &path);
    // The file the editor holds: a save of it by another program is the
    // editor's to read (editorFileSaved), not the session's.
    void setEditorFile(const QString &path);
    // The next song the editor brings plays from the start.
    void replayWithNextSong(bool replay) { m_replayOnNextSong = replay; }
    // The settings changed: the watch and the editor's layout follow, and
    // the song takes the default tone.
    void settingsChanged();
    // The layout compiled OMP data is given: the separator and its interval.
    QString ompSeparator() const;
    qint32 ompInterval() const;
    // The machine whose voice plays the song (none: the General MIDI tone),
    // and which of its programs.
    std::optional<Machine> soundingMachine() const;
    voice::Program voiceProgram() const;
    // An untitled song takes `title` (the OMP list names it so).
    void nameIfUntitled(const QString &title);

    // Plays the song from the start ("再生・リロード"): the data as it
    // stands is written for the player again, so a second press reloads it.
    SessionMessage play();
    // From the first note of H-MML line `line` on, while the OMP data is as
    // compiled.
    SessionMessage playFromLine(int line);
    // The notes of H-MML lines `range()` gives (first and last, both
    // included) in a loop until stop(): the range is asked for again at
    // every turn, so an edit of the selection is heard at the next one.
    SessionMessage loopLines(std::function<std::pair<int, int>()> range);
    bool isLooping() const { return bool(m_loopRange); }
    void stop();
    bool isPlaying() const;
    // Reads where the player is and announces the sounding note (its timer
    // does so every 40 ms while a song plays).
    void followPlayback();
    // Where the song is written for the player (read once at start-up).
    void setTemporaryDirectory(const QString &dir) { m_tempDir = dir; }
    // The temporary MIDI file the player is given.
    QString temporaryFilePath() const;

signals:
    // A command changed these fields of the song.
    void songChanged(SongSession::Fields fields);
    // While playing: the H-MML line of the sounding note (0: none, or not
    // playing) and, while the OMP data is the data that plays, its
    // characters [start, end); -1 when they are not shown.
    void soundingNote(int line, qsizetype start, qsizetype end);
    // While playing, where the song is as `vltn midi` times it, in
    // milliseconds (for the note view); negative once it stops.
    void playPosition(double ms);
    // Something went wrong where no command waits for an answer (a reload,
    // the player): the message to show.
    void errorReported(const SessionMessage &message);
    // Another program saved the file the editor holds.
    void editorFileSaved();
    // The layout compiled OMP data is given changed.
    void ompLayoutChanged(const QString &separator, qint32 interval);
    // The settings were applied: the voice may be another.
    void voiceChanged();
    // While importing: how much is done, 0 to 1000.
    void importProgress(int permille);
    // An import ended (isImporting() is false again).
    void importFinished(const SongSession::ImportOutcome &outcome);

private:
    // Shows `text` compiled as `conversion`, as compileHmml() does.
    SessionMessage showCompile(const QString &text, const HmmlConversion &conversion);
    void showConversion(const HmmlConversion &conversion);
    void importDone();
    void setOmpText(const QString &omp, std::shared_ptr<const hmml::NoteLineMap> lines);
    void applyTone(int tone);
    SessionMessage playFrom(qsizetype firstNote);
    // Plays `omp` (a part of the song's data, note `firstNote` on of
    // `timeline`) in the chosen voice; `notes` maps the notes of `omp` to
    // the song's notes when they are not the song's own from `firstNote` on.
    SessionMessage playData(const QString &omp, qsizetype firstNote, std::vector<qsizetype> notes, int playCount);
    SessionMessage nextLoopTurn();
    void songFileSaved();

    MediaPlayer &m_player;
    SamplePlayer &m_samples;
    const AppSettings &m_settings;
    QString m_tempDir;
    Song m_song;
    bool m_fromHmml = false; // the OMP data was compiled from m_song.hmmlSource
    QString m_songFile;
    QString m_editorFile;
    std::unique_ptr<FileWatch> m_watch;
    // The OMP data: its line map while it is as compiled; a count of its
    // changes.
    std::shared_ptr<const hmml::NoteLineMap> m_lines;
    quint64 m_ompChanges = 0;
    // What plays: its timeline, its lines, where in it the file begins, and
    // the OMP data's change count when it started.
    struct Playing {
        omp::NoteTimeline timeline; // of the song's OMP data
        std::shared_ptr<const hmml::NoteLineMap> lines;
        quint64 ompChanges = 0;
        // The data handed to the player: its timeline, and the song's note
        // of each of its notes (empty: the song's own from `first` on).
        omp::NoteTimeline played;
        qsizetype first = 0;
        std::vector<qsizetype> notes;
        std::shared_ptr<const voice::Voice> voice; // null: the General MIDI tone
        qsizetype songNote(qsizetype playedNote) const;
    } m_playing;
    std::function<std::pair<int, int>()> m_loopRange;
    QTimer *m_followTimer;
    bool m_replayOnNextSong = false;
    bool m_reloading = false;

    // The import running, the flag that stops it, and what waits for it:
    // the editor's last compile, and a save of the song's file.
    struct ImportWork {
        ImportOutcome outcome;
        HmmlConversion conversion;
    };
    QFutureWatcher<ImportWork> m_import;
    std::shared_ptr<std::atomic<bool>> m_cancelImport;
    bool m_importing = false;
    std::optional<std::pair<HmmlConversion, QString>> m_liveWaiting;
    bool m_reloadWaiting = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(SongSession::Fields)
