#include "shell/app_settings.h"

#include "shell/int16_text.h"

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

AppSettings LoadSettings(const QString &path, QString *error)
{
    AppSettings settings;
    const IniLoadResult loaded = loadIniFile(path);
    if (error)
        *error = loaded.error;
    for (const SettingsKey &k : settingsKeys()) {
        const std::optional<QString> text =
            iniValue(loaded.document, QString::fromUtf16(k.section), QString::fromUtf16(k.key));
        if (!text)
            continue;
        const std::optional<qint16> value = parseInt16(*text);
        if (value && *value >= k.min && *value <= k.max)
            settings.*k.field = *value;
    }
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
