#include "core/hmml/hmml_file.h"

#include "core/io/cp932.h"
#include "core/io/read_file.h"
#include "core/io/text_file.h"

#include <QFileInfo>
#include <QStringEncoder>

HmmlFileText readHmmlFile(const QString &path)
{
    HmmlFileText result;
    const ReadFile::Result read = ReadFile::readAll(path);
    if (!read.ok()) {
        result.error = read.error;
        return result;
    }
    // The whole file is decoded and split in one go; at a few hundred
    // megabytes a second there is nothing to gain from reading it in pieces.
    const TextFile::DecodeResult decoded = TextFile::decodeTextFile(read.bytes);
    if (!decoded.ok()) {
        result.error = QStringLiteral("%1 を読めません: %2").arg(ReadFile::displayName(path), decoded.error);
        return result;
    }
    result.text = TextFile::withCrLfLineEnds(decoded.text);
    return result;
}

HmmlFileCompile compileHmmlFile(const QString &path)
{
    HmmlFileCompile result;
    hmml::ConvertDetails details;
    {
        TextFile::AsciiLines lines(path);
        hmml::LineCompiler compiler(result.status, result.song, details);
        // A note line of a few characters gives two: growing by copies
        // would take more memory than this, which is only touched as used.
        compiler.reserve(qsizetype(QFileInfo(path).size() / 2));
        QLatin1StringView line;
        while (lines.next(line))
            compiler.addLine(line); // after an error, lines are still read: the file may yet be unreadable
        if (lines.complete()) {
            result.omp = compiler.takeOutput();
            return result;
        }
    }
    // Any other file is read whole, which also tells what is wrong with it.
    const HmmlFileText file = readHmmlFile(path);
    if (!file.ok()) {
        result = HmmlFileCompile{};
        result.error = file.error;
        return result;
    }
    hmml::LineCompiler compiler(result.status, result.song, details);
    compiler.addText(file.text, u"\r\n");
    result.omp = compiler.takeOutput();
    return result;
}

HmmlDocument decodeHmmlDocument(QByteArrayView bytes, const QString &name)
{
    HmmlDocument doc;
    const TextFile::DecodeResult decoded = TextFile::decodeTextFile(bytes);
    if (!decoded.ok()) {
        doc.error = QStringLiteral("%1 を読めません: %2").arg(name, decoded.error);
        return doc;
    }
    doc.encoding = decoded.encoding;
    doc.byteOrderMark = bytes.startsWith("\xEF\xBB\xBF");
    const qsizetype cr = decoded.text.indexOf(u'\r');
    const qsizetype lf = decoded.text.indexOf(u'\n');
    if (cr >= 0 && (lf < 0 || cr < lf))
        doc.lineBreak = lf == cr + 1 ? QStringLiteral("\r\n") : QStringLiteral("\r");
    else if (lf >= 0)
        doc.lineBreak = QStringLiteral("\n");
    doc.text = decoded.text;
    doc.text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    doc.text.replace(u'\r', u'\n');
    return doc;
}

QByteArray encodeHmmlDocument(const QString &text, const HmmlDocument &format, QString &error)
{
    error.clear();
    QString written = text;
    if (format.lineBreak != u"\n")
        written.replace(u'\n', format.lineBreak);
    if (format.encoding == TextFile::Encoding::Utf8) {
        QStringEncoder utf8(QStringEncoder::Utf8, format.byteOrderMark ? QStringEncoder::Flag::WriteBom
                                                                       : QStringEncoder::Flag::Default);
        QByteArray bytes = utf8.encode(written);
        if (!utf8.hasError())
            return bytes;
        error = QStringLiteral("UTF-8 で保存できない文字 (対になっていないサロゲート) があります。");
        return {};
    }
    Cp932::EncodeResult encoded = Cp932::encode(written);
    error = encoded.error;
    return encoded.bytes;
}
