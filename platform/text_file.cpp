#include "platform/text_file.h"

#include "platform/cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstdio>

namespace TextFile {

static bool hasUtf8Bom(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

Encoding detect(const QByteArray &bytes)
{
    if (hasUtf8Bom(bytes))
        return Encoding::Utf8;
    // A lead byte of E0 or above starts a three- or four-byte sequence, that
    // is a character of U+0800 or above. Without one the text is ASCII (same
    // either way) or CP932.
    bool wide = false;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0xE0) {
            wide = true;
            break;
        }
    }
    if (!wide)
        return Encoding::Cp932;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(utf8.decode(bytes));
    return utf8.hasError() ? Encoding::Cp932 : Encoding::Utf8;
}

QString decode(const QByteArray &bytes, Encoding *used)
{
    Encoding enc = detect(bytes);
    if (used)
        *used = enc;
    if (enc == Encoding::Utf8) {
        QByteArrayView body(bytes);
        if (hasUtf8Bom(bytes))
            body = body.sliced(3);
        return QString::fromUtf8(body);
    }
    // ASCII reads the same in both; Latin-1 conversion is far quicker.
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    return ascii ? QString::fromLatin1(bytes) : Cp932::decode(bytes);
}

QString withCrLfLineEnds(const QString &text)
{
    // Already CR LF throughout (a file written on Windows): nothing to do.
    const QStringView view(text);
    bool crlfOnly = view.isEmpty() || view.endsWith(u"\r\n");
    for (qsizetype i = 0; crlfOnly && i < view.size(); ++i) {
        if (view[i] == u'\r') {
            crlfOnly = i + 1 < view.size() && view[i + 1] == u'\n';
            ++i; // past the LF
        } else if (view[i] == u'\n') {
            crlfOnly = false;
        }
    }
    if (crlfOnly)
        return text; // shared, not copied

    QString out;
    out.reserve(text.size() + text.size() / 8 + 2);
    qsizetype start = 0;
    const qsizetype n = view.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = view[i];
        if (c == u'\r' || c == u'\n') {
            out.append(view.sliced(start, i - start));
            out.append(u"\r\n");
            if (c == u'\r' && i + 1 < n && view[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n) {
        out.append(view.sliced(start));
        out.append(u"\r\n");
    }
    return out;
}

ReadResult readBytes(const QString &path)
{
    ReadResult result;
    QFile file;
    bool opened;
    if (path == QLatin1String("-"))
        opened = file.open(stdin, QIODevice::ReadOnly);
    else {
        file.setFileName(path);
        if (QFileInfo(path).isDir()) {
            result.error = QStringLiteral("%1 はフォルダです。ファイルを指定してください。").arg(path);
            return result;
        }
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        result.error = QStringLiteral("ファイル %1 を開けません: %2").arg(path, file.errorString());
        return result;
    }
    result.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("ファイル %1 を読み込めません: %2").arg(path, file.errorString());
        result.bytes.clear();
    }
    return result;
}

} // namespace TextFile
