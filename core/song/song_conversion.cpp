#include "core/song/song_conversion.h"

#include "core/hmml/compiler.h"
#include "core/omp/formatter.h"

HmmlConversion convertHmml(const QString &text, const QString &separator, qint32 interval)
{
    HmmlConversion c;
    auto lines = std::make_shared<hmml::NoteLineMap>();
    HmmlSongFields fields;
    hmml::ConvertDetails details;
    details.lines = lines.get();
    const QString omp = hmml::convert(text, QStringLiteral("\r\n"), true, c.status, fields, details);
    c.program = fields.program;
    c.song.title = fields.title;
    c.song.copyright = fields.copyright;
    c.song.author = fields.author;
    c.song.hmmlSource = text;
    if (!c.ok())
        return c;
    // Compiler output always formats: the status cannot turn bad here.
    ConversionStatus formatStatus;
    c.song.omp = OMP_Format(omp, separator, interval, formatStatus);
    c.lines = std::move(lines);
    return c;
}

std::optional<int> toneAfterConversion(const HmmlConversion &conversion, int defaultTone)
{
    int tone = conversion.program - 1;
    if (tone == -1)
        tone = defaultTone;
    if (tone < 0 || tone > 127)
        return std::nullopt;
    return tone;
}

QString conversionErrorMessage(const ConversionStatus &status)
{
    return QStringLiteral("H-MMLの変換エラーが発生しました。変換を完了できません。\r\n\r\n%1行目 %2")
        .arg(status.line)
        .arg(status.message);
}

QString conversionErrorLine(const QString &path, const ConversionStatus &status)
{
    return QStringLiteral("%1:%2: error: %3").arg(path).arg(status.line).arg(status.message);
}
