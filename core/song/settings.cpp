#include "core/song/settings.h"

#include "core/song/int16_text.h"
#include "core/transfer/pacing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>


namespace {

const char16_t General[] = u"一般設定";
const char16_t Communication[] = u"通信関連";
const char16_t Hmml2Omp[] = u"HMML2OMP";

constexpr qint16 Any16Min = -32768;
constexpr qint16 Any16Max = 32767;

const QString FileName = QStringLiteral("vltn.ini");

const QString DeviceKey = QStringLiteral("通信デバイス");

// The numbers after the eleven keys: the pauses of a send, whether a song's
// H-MML file saved by another program is read again, and the voice that
// plays the song.
const std::array<SettingsKey, 6> &laterKeys()
{
    static const std::array<SettingsKey, 6> keys = {{
        {Communication, u"文字ごとの待ち時間", &AppSettings::CharDelay, transfer::AutomaticDelay, transfer::MaxCharDelay},
        {Communication, u"行ごとの待ち時間", &AppSettings::LineDelay, transfer::AutomaticDelay, transfer::MaxLineDelay},
        {Hmml2Omp, u"自動再読み込み", &AppSettings::AutoReload, 0, 1},
        {General, u"再生の音", &AppSettings::Voice, 0, 2},
        {General, u"ポケコンのプログラム", &AppSettings::VoiceProgram, 0, 1},
        {General, u"文の後の無音", &AppSettings::StatementGap, 0, AppSettings::MaxStatementGap},
    }};
    return keys;
}

void readKeys(AppSettings &settings, const IniDocument &document, const auto &keys)
{
    for (const SettingsKey &k : keys) {
        const std::optional<QString> text =
            iniValue(document, QString::fromUtf16(k.section), QString::fromUtf16(k.key));
        if (!text)
            continue;
        const std::optional<qint16> value = parseInt16(*text);
        if (value && *value >= k.min && *value <= k.max)
            settings.*k.field = *value;
    }
}

} // namespace

const std::array<SettingsKey, 11> &settingsKeys()
{
    static const std::array<SettingsKey, 11> keys = {{
        {General, u"ループ再生", &AppSettings::LoopPlay, Any16Min, Any16Max},
        {General, u"音色設定", &AppSettings::DefaultTone, 0, 127},
        {Communication, u"通信速度", &AppSettings::BaudIndex, 0, 5},
        {Communication, u"データビット", &AppSettings::DataBitsIndex, 0, 1},
        {Communication, u"ストップビット", &AppSettings::StopBitsIndex, 0, 1},
        {Communication, u"パリティビット", &AppSettings::ParityIndex, 0, 2},
        {Communication, u"フロー制御", &AppSettings::FlowIndex, 0, 2},
        {Communication, u"通信ポート", &AppSettings::PortIndex, 0, 15},
        {Hmml2Omp, u"区切り文字の使用", &AppSettings::UseSeparator, Any16Min, Any16Max},
        {Hmml2Omp, u"区切り文字数", &AppSettings::SeparatorInterval, Any16Min, Any16Max},
        {Hmml2Omp, u"区切り文字", &AppSettings::SeparatorKind, Any16Min, Any16Max},
    }};
    return keys;
}

std::optional<Machine> voiceMachine(const AppSettings &settings)
{
    if (settings.Voice == 1)
        return Machine::E500;
    if (settings.Voice == 2)
        return Machine::G800;
    return std::nullopt;
}

QString separatorText(const AppSettings &settings)
{
    return settings.SeparatorKind == 0 ? QStringLiteral("/") : QStringLiteral(" ");
}

qint32 separatorInterval(const AppSettings &settings)
{
    return settings.UseSeparator == 0 ? 0 : settings.SeparatorInterval;
}

QString settingsFilePath(const QString &programDir, const QString &configDir)
{
    // On Linux the program's folder is normally not writable (and, run as
    // root, must not be written), so the settings go there only when the
    // user has put a file there on purpose.
    const QString portable = QDir(programDir).filePath(FileName);
    if (QFileInfo(portable).isFile())
        return portable;
    return QDir(configDir).filePath(FileName);
}

QString settingsFilePath()
{
    return settingsFilePath(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString windowSettingsFilePath()
{
    return settingsFilePath(QCoreApplication::applicationDirPath(),
                            QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                .filePath(QStringLiteral("vellotune")));
}

AppSettings LoadSettings(const QString &path, QString *error)
{
    AppSettings settings;
    const IniLoadResult loaded = loadIniFile(path);
    if (error)
        *error = loaded.error;
    readKeys(settings, loaded.document, settingsKeys());
    readKeys(settings, loaded.document, laterKeys());
    settings.PortDevice =
        iniValue(loaded.document, QString::fromUtf16(Communication), DeviceKey).value_or(QString()).trimmed();
    return settings;
}

AppSettings LoadSettings(QString *error)
{
    return LoadSettings(settingsFilePath(), error);
}

IniWriteResult SaveSettings(const AppSettings &settings, const QString &path)
{
    QList<IniEntry> entries;
    for (const SettingsKey &k : settingsKeys())
        entries.append({QString::fromUtf16(k.section), QString::fromUtf16(k.key), QString::number(settings.*k.field)});
    const IniDocument old = loadIniFileToWrite(path).document;
    const AppSettings defaults;
    const auto keep = [&](const QString &section, const QString &key, bool changed, const QString &value) {
        if (changed || iniValue(old, section, key))
            entries.append({section, key, value});
    };
    keep(QString::fromUtf16(Communication), DeviceKey, settings.PortDevice != defaults.PortDevice, settings.PortDevice);
    for (const SettingsKey &k : laterKeys())
        keep(QString::fromUtf16(k.section), QString::fromUtf16(k.key), settings.*k.field != defaults.*k.field,
             QString::number(settings.*k.field));
    return writeIniEntries(path, entries);
}

IniWriteResult SaveSettings(const AppSettings &settings)
{
    const QString path = settingsFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        IniWriteResult result;
        result.error = QStringLiteral("設定ファイルのフォルダ %1 を作れません。").arg(folder);
        return result;
    }
    return SaveSettings(settings, path);
}
