// One table for every writer of a file the user could lose, against every
// way a save can go wrong: each is replaced whole or not at all, says why it
// failed, and never replaces a device, a pipe or a protected file.

#include "fakes/fake_dialogs.h"
#include "core/formats/midi_writer.h"
#include "core/formats/omp_list.h"
#include "platform/audio/midi_render.h"
#include "core/io/save_file.h"
#include "core/song/settings.h"
#include "app/output_window.h"
#include "core/song/song_file.h"

#include "support/test_files.h"
#include "support/test_midi.h"

#include <QDir>
#include <QPlainTextEdit>

#include <functional>
#include <thread>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct Writer {
    const char *name;
    bool takesText; // can be handed text CP932 cannot hold
    std::function<QString(const QString &path, const QString &text)> write;
    bool merges = false; // writes its keys into the file, keeping its other lines
};

class SaveTable : public TempDirTest {
protected:
    void SetUp() override { midi = write("song.mid", testmidi::song({{60, 240}})); }

    std::vector<Writer> writers()
    {
        return {
            {"SaveFile", false, [](const QString &p, const QString &t) { return SaveFile::writeAll(p, t.toUtf8() + QByteArray(100, '-')); }},
            {"MIDI_Exp", false, [](const QString &p, const QString &) { return MIDI_Exp(QStringLiteral("$2:4A"), p, 0).error; }},
            {"OMP list", true, [](const QString &p, const QString &t) { return omplist::write(p, t, QStringLiteral("$2:4M")); }},
            {"settings", false, [](const QString &p, const QString &) { return SaveSettings(AppSettings(), p).error; }, true},
            {"SaveSong", true,
             [](const QString &p, const QString &t) { return SaveSong(p, QStringLiteral("$2:4M"), QStringLiteral("0"), t, {}, {}).error; },
             true},
            {"output window", true,
             [this](const QString &p, const QString &t) {
                 FakeFileDialogs dialogs;
                 FakeMessageBoxes messages;
                 OutputWindow window(dialogs, messages);
                 window.programText->setPlainText(QStringLiteral("10 CLS\r\n20 GOTO 10 '") + t);
                 dialogs.chooseNext(p);
                 window.save();
                 return messages.shown.empty() || messages.shown.back().buttons != MessageBoxes::Buttons::Ok
                            ? QString()
                            : messages.shown.back().text;
             }},
            {"WAV", false, [this](const QString &p, const QString &) { return renderMidiToWav(midi, p).error; }},
        };
    }

    QString midi;
};

TEST_F(SaveTable, EveryWriterAgainstEveryFailure)
{
    for (const Writer &w : writers()) {
        SCOPED_TRACE(w.name);
        const QString out = path("out");
        QFile::remove(out);
        // A new file, then a longer old one replaced completely (or, for a
        // settings or song file, kept with the keys added).
        ASSERT_EQ(w.write(out, QStringLiteral("a")), QString());
        const QByteArray fresh = readFile(out);
        ASSERT_FALSE(fresh.isEmpty());
        const QByteArray old(fresh.size() + 70000, 'Z');
        writeFile(out, old);
        ASSERT_EQ(w.write(out, QStringLiteral("a")), QString());
        EXPECT_EQ(readFile(out), w.merges ? old + "\r\n" + fresh : fresh);
        const QByteArray saved = readFile(out);

        // Missing folder, a file where the folder should be, a folder in the way.
        write("plain", "keep");
        QDir().mkpath(path("folder"));
        for (const char *bad : {"gone/out", "plain/out", "folder"}) {
            const QString error = w.write(path(bad), QStringLiteral("a"));
            EXPECT_TRUE(error.contains(path(bad))) << bad << ": " << str(error);
        }
        EXPECT_TRUE(QFileInfo(path("folder")).isDir());
        EXPECT_EQ(read("plain"), "keep");

        // A protected file stays, with its mode, even for an administrator.
        const QString locked = write("locked", "mine");
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup);
        EXPECT_TRUE(w.write(locked, QStringLiteral("a")).contains(u"書き込み禁止"));
        EXPECT_EQ(read("locked"), "mine");
        EXPECT_EQ(QFileInfo(locked).permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), 0);

        // Text the file cannot hold: named, and the old file stays.
        if (w.takesText) {
            EXPECT_TRUE(w.write(out, QStringLiteral("x🎵y")).contains(u"U+1F3B5"));
            EXPECT_EQ(readFile(out), saved);
        }

        // A write cut short (here by the file size limit) leaves the old file
        // whole and says why.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit small = before;
        small.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &small);
        const QString cut = w.write(out, QStringLiteral("a"));
        setrlimit(RLIMIT_FSIZE, &before);
        EXPECT_TRUE(cut.contains(u"大きすぎます")) << str(cut);
        EXPECT_EQ(readFile(out), saved);

        // No temporary file is left behind.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
                  QStringList({"folder", "locked", "out", "plain", "song.mid"}));
        QFile::remove(locked);
    }
}

TEST_F(SaveTable, DevicesAndPipesAreWrittenIntoNeverReplaced)
{
    for (const Writer &w : writers()) {
        SCOPED_TRACE(w.name);
        EXPECT_EQ(w.write(QStringLiteral("/dev/null"), QStringLiteral("a")), QString());
        struct stat st = {};
        ASSERT_EQ(::stat("/dev/null", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/null was replaced";

        // The disk-full device: the reason is told, in Japanese.
        EXPECT_TRUE(w.write(QStringLiteral("/dev/full"), QStringLiteral("a")).contains(u"ディスクの空きが足りません"));

        const QString fifo = path("fifo");
        QFile::remove(fifo);
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QByteArray heard;
        std::thread reader([&] { heard = readFile(fifo); });
        const QString error = w.write(fifo, QStringLiteral("a"));
        reader.join();
        EXPECT_EQ(error, QString());
        EXPECT_FALSE(heard.isEmpty());
        ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";
    }
}

} // namespace
