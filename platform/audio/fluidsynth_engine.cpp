#include "platform/audio/fluidsynth_engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <mutex>

#ifdef VLTN_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace FluidSynthEngine {

namespace {

#ifdef VLTN_HAVE_ALSA
void ignoreAlsaError(const char *, int, const char *, int, const char *, ...) {}
#endif

// FluidSynth, and ALSA beneath its default driver, print their own English
// messages to the terminal; ours say the same to the user in Japanese, so
// theirs stay quiet.
void quietLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
#ifdef VLTN_HAVE_ALSA
        snd_lib_error_set_handler(ignoreAlsaError);
#endif
    });
}

} // namespace

Synth::~Synth()
{
    delete_fluid_synth(m_synth);
    delete_fluid_settings(m_settings);
}

QStringList standardSoundFonts()
{
    QStringList paths = {
        QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"),
        QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
        QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
        QStringLiteral("/usr/share/soundfonts/default.sf2"),
        QStringLiteral("/usr/share/soundfonts/FluidR3_GM.sf2"),
    };
    // The program's own directory is only known once the application object exists.
    if (QCoreApplication::instance())
        paths << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("default-GM.sf2"));
    return paths;
}

QString findSoundFont()
{
    for (const QString &path : standardSoundFonts()) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

fluid_settings_t *newOutputSettings(const ExtraSettings &extra)
{
    quietLog();
    fluid_settings_t *settings = new_fluid_settings();
    if (!settings)
        return nullptr;
    fluid_settings_setnum(settings, "synth.sample-rate", SampleRate);
    for (const auto &[name, value] : extra)
        fluid_settings_setstr(settings, name.constData(), value.constData());
    return settings;
}

QString audioDriverError(fluid_settings_t *settings)
{
    char *name = nullptr;
    fluid_settings_dupstr(settings, "audio.driver", &name);
    const QString message = QStringLiteral("音声を出力できません (オーディオドライバー %1 を開けませんでした)。"
                                           "サウンドデバイスと、ほかのアプリケーションが使用中でないかを確認してください。")
                                .arg(QString::fromUtf8(name ? name : "?"));
    fluid_free(name);
    return message;
}

SynthResult createSynth(const QString &soundFont, const ExtraSettings &extra)
{
    quietLog();
    SynthResult result;
    const QString path = soundFont.isEmpty() ? findSoundFont() : soundFont;
    if (path.isEmpty()) {
        result.error = QStringLiteral("General MIDI の音色ファイル (SoundFont) が見つかりません。"
                                      "fluid-soundfont-gm パッケージをインストールするか、"
                                      "プログラムと同じフォルダーに default-GM.sf2 を置いてください。");
        return result;
    }
    if (!QFileInfo(path).isFile()) {
        result.error = QStringLiteral("音色ファイル (SoundFont)「%1」が見つかりません。").arg(path);
        return result;
    }

    fluid_settings_t *settings = new_fluid_settings();
    if (!settings) {
        result.error = QStringLiteral("シンセサイザーを準備できません (メモリー不足)。");
        return result;
    }
    fluid_settings_setnum(settings, "synth.sample-rate", SampleRate);
    // Locking 150 MB of samples in memory needs privileges a desktop user lacks.
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    // Pocket-computer songs are a single voice; the default gain of 0.2 leaves
    // them faint next to other sounds.
    fluid_settings_setnum(settings, "synth.gain", 0.5);
    // Songs are timed by the samples rendered, not by the clock: a WAV file is
    // written faster than real time, and a busy system slows the sound and
    // the song together.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    for (const auto &[name, value] : extra)
        fluid_settings_setstr(settings, name.constData(), value.constData());

    fluid_synth_t *synth = new_fluid_synth(settings);
    if (!synth) {
        delete_fluid_settings(settings);
        result.error = QStringLiteral("シンセサイザーを準備できません。");
        return result;
    }
    auto owned = std::make_unique<Synth>(settings, synth);
    if (fluid_synth_sfload(synth, QFile::encodeName(path).constData(), 1) == FLUID_FAILED) {
        result.error = QStringLiteral("音色ファイル (SoundFont)「%1」を読み込めません。").arg(path);
        return result;
    }
    result.synth = std::move(owned);
    return result;
}

} // namespace FluidSynthEngine
