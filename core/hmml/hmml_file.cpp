#include "core/hmml/hmml_file.h"

#include "core/omp/formatter.h"

#include "core/io/cp932.h"
#include "core/io/read_file.h"
#include "core/io/text_file.h"

#include <QStringEncoder>

#include <optional>

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

HmmlFileCompile compileHmmlFile(const QString &path, bool raw, const QString &separator, qint32 interval)
{
    HmmlFileCompile result;
    hmml::ConvertDetails details;
    // Compiles the lines `feed` hands over; false when the file has to be
    // read again, whole.
    const auto compile = [&](const auto &feed) {
        std::optional<omp::Formatter> formatter;
        hmml::LineCompiler compiler(result.status, result.song, details);
        if (!raw)
            compiler.passOutputTo(&formatter.emplace(separator, interval));
        if (!feed(compiler))
            return false;
        result.omp = QByteArray::fromStdString(compiler.takeOutput());
        if (formatter && result.status.ok())
            result.omp = formatter->finish(result.status);
        return true;
    };
    const bool plain = compile([&](hmml::LineCompiler &compiler) {
        TextFile::AsciiLines lines(path);
        QLatin1StringView line;
        while (lines.next(line))
            compiler.addLine(line); // after an error, lines are still read: the file may yet be unreadable
        return lines.complete();
    });
    if (plain)
        return result;
    // Any other file is read whole, which also tells what is wrong with it.
    const HmmlFileText file = readHmmlFile(path);
    if (!file.ok()) {
        result = HmmlFileCompile{};
        result.error = file.error;
        return result;
    }
    compile([&](hmml::LineCompiler &compiler) {
        compiler.addText(file.text, u"\r\n");
        return true;
    });
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
