// The main window with the H-MML editor: the song compiled as it is written,
// where the music is while it plays, and the song's file read again when
// another program saves it.

#include "app/form1.h"

#include "core/hmml/hmml_file.h"
#include "core/formats/midi_writer.h"
#include "platform/watch/file_watch.h"
#include "platform/audio/media_player.h"
#include "platform/desktop/message_boxes.h"
#include "core/io/read_file.h"
#include "app/app_info.h"
#include "app/form9.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include <cmath>

namespace {

bool sameFile(const QString &a, const QString &b)
{
    return !a.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

} // namespace

Form9 *Form1::editor() const
{
    return m_form9;
}

Song Form1::song() const
{
    Song s;
    s.omp = Text1->toPlainText();
    s.title = Text2->text();
    s.copyright = Text3->text();
    s.author = Text4->text();
    s.tone = toneIndex();
    if (m_songFromHmml) {
        s.hmmlSource = m_hmmlSource;
        s.hmmlPath = m_songFile;
    }
    return s;
}

void Form1::setSongFile(const QString &path)
{
    m_songFile = path;
    m_watch->watch(m_settings.AutoReload != 0 ? path : QString());
}

void Form1::openEditor()
{
    if (m_form9) {
        m_form9->show();
        m_form9->raise();
        m_form9->activateWindow();
        return;
    }
    m_form9 = new Form9(m_services.dialogs, m_services.messages);
    m_form9->setWindowIcon(windowIcon());
    m_form9->setOmpLayout(separatorText(m_settings), separatorInterval(m_settings));
    connect(m_form9, &Form9::compiled, this, &Form1::showLiveConversion);
    connect(m_form9, &Form9::fileOpened, this, [this](const QString &path) {
        CD3.FileName = path;
        CD4.FileName = path;
        setSongFile(path);
    });
    connect(m_form9, &Form9::playRequested, this, &Form1::OMP_Play);
    connect(m_form9, &Form9::playFromLineRequested, this, &Form1::playFromLine);
    connect(m_form9, &Form9::stopRequested, this, &Form1::OMP_Stop);
    // The song's own H-MML: its file, or the text it was compiled from.
    if (QFileInfo(m_songFile).isFile())
        m_form9->openFile(m_songFile);
    else if (m_songFromHmml)
        m_form9->newDocument(m_hmmlSource, true);
    m_form9->show();
}

void Form1::showLiveConversion(const HmmlConversion &conversion)
{
    const bool replay = std::exchange(m_replayOnNextSong, false);
    // An empty text is no song; the song on show was compiled from this very
    // text already (and its OMP data may have been edited by hand since).
    if (!conversion.ok() || conversion.song.hmmlSource.isEmpty()
        || (m_songFromHmml && conversion.song.hmmlSource == m_hmmlSource))
        return;
    showConversion(conversion, false);
    if (m_form9)
        setSongFile(m_form9->filePath());
    if (replay)
        OMP_Play();
}

void Form1::playFromLine(int line)
{
    if (!m_lines) {
        showError(QStringLiteral("カーソルの行から再生できません。OMPデータが H-MML から変換したままではありません。\r\n"
                                 "H-MMLを変換し直してください。"),
                  MessageTitle);
        return;
    }
    const qsizetype note = m_lines->firstNoteFrom(line);
    if (note < 0) {
        showError(QStringLiteral("カーソルの行から後に音符がありません。"), MessageTitle);
        return;
    }
    playOmp(note);
}

void Form1::followPlayback()
{
    if (!m_services.player.isPlaying()) {
        m_followTimer->stop();
        if (m_form9)
            m_form9->setSoundingLine(0);
        return;
    }
    const qint64 tick =
        m_playing.offset + std::llround(m_services.player.position() * omp::MidiTicksPerSecond);
    const omp::TimedNote note = m_playing.timeline.noteAt(tick);
    if (!note.valid() || !m_playing.lines)
        return;
    if (m_form9)
        m_form9->setSoundingLine(m_playing.lines->lineOf(note.index));
    // Only the characters of the data that plays, as compiled.
    if (m_playing.ompChanges == m_ompChanges) {
        QTextCursor cursor(Text1->document());
        cursor.setPosition(int(note.start));
        cursor.setPosition(int(note.pos + 1), QTextCursor::KeepAnchor);
        Text1->setTextCursor(cursor);
    }
}

void Form1::songFileSaved()
{
    // A message of the last reload may still be open.
    if (m_reloading)
        return;
    m_reloading = true;
    const bool wasPlaying = m_services.player.isPlaying();
    if (m_form9 && sameFile(m_form9->filePath(), m_songFile)) {
        // The editor holds the file: it reads it, unless it holds changes of
        // its own, and its compile brings the song.
        if (m_form9->reloadFromDisk())
            m_replayOnNextSong = wasPlaying;
    } else if (ReadFile::regularFileError(m_songFile).isEmpty()) {
        const HmmlFileText file = readHmmlFile(m_songFile);
        if (!file.ok()) {
            showError(file.error, MessageTitle);
        } else if (file.text != m_hmmlSource) {
            const HmmlConversion conversion =
                convertHmml(file.text, separatorText(m_settings), separatorInterval(m_settings));
                    // A save with a mistake keeps the song that played before.
            if (!conversion.ok()) {
                showError(conversionErrorMessage(conversion.status), MessageTitle);
            } else {
                showConversion(conversion, true);
                if (wasPlaying)
                    OMP_Play();
            }
        }
    }
    m_reloading = false;
}
