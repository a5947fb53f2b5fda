#include "core/io/text_file.h"

#include "core/io/cp932.h"
#include "core/io/read_file.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace TextFile {

namespace {

bool hasUtf8Bom(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

bool isUtf16(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    // Without a byte-order mark: NUL bytes, which no CP932 or UTF-8 text
    // holds, in every other place of the first line's ASCII.
    const qsizetype n = std::min<qsizetype>(bytes.size(), 64) & ~qsizetype(1);
    if (n < 2)
        return false;
    qsizetype zeros = 0;
    for (qsizetype i = 0; i < n; ++i)
        zeros += bytes[i] == '\0';
    return zeros * 4 >= n;
}

// UTF-16 text of mostly ASCII without a byte-order mark: NUL bytes in one of
// the two places of every character, and printable text in the other.
bool looksLikeUtf16(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    const qsizetype n = std::min<qsizetype>(bytes.size(), 64) & ~qsizetype(1);
    if (n < 2)
        return false;
    for (const qsizetype zeroAt : {0, 1}) {
        bool fits = true;
        for (qsizetype i = 0; fits && i < n; i += 2) {
            const auto text = static_cast<unsigned char>(bytes[i + 1 - zeroAt]);
            fits = bytes[i + zeroAt] == '\0' && (text >= 0x20 || text == '\t' || text == '\r' || text == '\n');
        }
        if (fits)
            return true;
    }
    return false;
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// The 1-based number of the first line (CR LF, CR or LF ending it) that
// UTF-8 (or CP932) cannot read.
int firstBadLine(QByteArrayView bytes, bool utf8)
{
    int line = 1;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        const QByteArrayView piece = bytes.sliced(start, i - start);
        bool bad;
        if (utf8) {
            QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            (void)QString(d.decode(piece));
            bad = d.hasError();
        } else {
            Cp932::decode(piece, &bad);
        }
        if (bad)
            return line;
        if (i < n && bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
        ++line;
    }
    return line;
}

// ASCII without NUL, which no text holds: bytes 1 to 0x7F only.
bool isPlainAscii(const char *bytes, qsizetype size)
{
    // Eight bytes at a time: a byte of 0x80 or above sets its top bit.
    quint64 high = 0;
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, bytes + i, 8);
        high |= word;
    }
    for (; i < size; ++i)
        high |= static_cast<unsigned char>(bytes[i]);
    return (high & 0x8080808080808080) == 0 && std::memchr(bytes, 0, size_t(size)) == nullptr;
}

} // namespace

Encoding detect(QByteArrayView bytes)
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

DecodeResult decodeText(QByteArrayView bytes)
{
    DecodeResult result;
    if (isUtf16(bytes)) {
        result.error = QStringLiteral("UTF-16 のテキストは読めません。エディタで文字コードに UTF-8 か"
                                      "シフトJIS (CP932) を選んで保存し直してください。");
        return result;
    }
    result.encoding = detect(bytes);
    bool bad = false;
    if (result.encoding == Encoding::Utf8) {
        const QByteArrayView body = hasUtf8Bom(bytes) ? bytes.sliced(3) : bytes;
        // The file's own mark is gone; another one after it is text, and
        // stays (the decoder would drop it as if it were the file's).
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        result.text = utf8.decode(body);
        bad = utf8.hasError();
    } else if (isAscii(bytes)) {
        // ASCII reads the same in both; Latin-1 conversion is far quicker.
        result.text = QString::fromLatin1(bytes);
    } else {
        result.text = Cp932::decode(bytes, &bad);
    }
    if (bad) {
        const bool utf8 = result.encoding == Encoding::Utf8;
        const QByteArrayView body = utf8 && hasUtf8Bom(bytes) ? bytes.sliced(3) : bytes;
        result.error = QStringLiteral("%1 行目に、%2読めないバイトがあります。文字コードを確かめてください。")
                           .arg(firstBadLine(body, utf8))
                           .arg(utf8 ? QStringLiteral("UTF-8 として")
                                     : QStringLiteral("シフトJIS (CP932) としても UTF-8 としても"));
        result.text.clear();
    }
    return result;
}

DecodeResult decodeTextFile(QByteArrayView bytes)
{
    DecodeResult result;
    if (bytes.startsWith("MThd") || (bytes.startsWith("RIFF") && bytes.sliced(std::min<qsizetype>(8, bytes.size())).startsWith("RMID"))) {
        result.error = QStringLiteral("MIDI ファイルです。H-MML の曲にするには、vltn import か、"
                                      "ウィンドウのメニュー「ファイル → MIDIファイルを開く」を使ってください。");
        return result;
    }
    const QByteArrayView head = bytes.first(std::min<qsizetype>(bytes.size(), 8192));
    if (!looksLikeUtf16(bytes) && head.contains('\0')) {
        result.error = QStringLiteral("テキストファイルではありません (文字でないデータを含んでいます)。"
                                      "H-MML か OMP データのテキストファイルを指定してください。");
        return result;
    }
    return decodeText(bytes);
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

AsciiLines::AsciiLines(const QString &path, qsizetype pieceSize)
    : m_file(path), m_buffer(size_t(std::max<qsizetype>(pieceSize, 16)) + 1, '\n')
{
    // Standard input, a pipe or a device cannot be read again from the start.
    if (path == QLatin1String("-") || !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
        || m_file.isSequential())
        m_state = State::Refused;
}

bool AsciiLines::next(QLatin1StringView &line)
{
    while (m_state == State::Reading || m_state == State::AtEnd) {
        const char *const data = m_buffer.data();
        // The line's CR or LF, or the LF standing after the data.
        qsizetype end = m_lineStart;
        while (static_cast<unsigned char>(data[end]) > '\r' || (data[end] != '\r' && data[end] != '\n'))
            ++end;
        const bool atEnd = m_state == State::AtEnd;
        // A CR last in the buffer may be the first half of a CR LF.
        if (end < m_dataEnd && (data[end] == '\n' || end + 1 < m_dataEnd || atEnd)) {
            line = QLatin1StringView(data + m_lineStart, end - m_lineStart);
            const bool crLf = data[end] == '\r' && end + 1 < m_dataEnd && data[end + 1] == '\n';
            m_lineStart = end + (crLf ? 2 : 1);
            return true;
        }
        if (atEnd && m_lineStart < m_dataEnd) { // the last line, without a line break
            line = QLatin1StringView(data + m_lineStart, m_dataEnd - m_lineStart);
            m_lineStart = m_dataEnd;
            return true;
        }
        if (atEnd)
            m_state = State::Complete;
        else if (!readMore())
            m_state = State::Refused;
    }
    return false;
}

bool AsciiLines::readMore()
{
    // The unfinished line moves to the front; a line longer than the buffer
    // makes it grow. One byte stays for the LF after the data.
    const qsizetype kept = m_dataEnd - m_lineStart;
    std::memmove(m_buffer.data(), m_buffer.data() + m_lineStart, size_t(kept));
    m_lineStart = 0;
    m_dataEnd = kept;
    if (kept == qsizetype(m_buffer.size()) - 1)
        m_buffer.resize(m_buffer.size() * 2);
    char *const piece = m_buffer.data() + kept;
    const qint64 got = m_file.read(piece, qint64(m_buffer.size()) - 1 - kept);
    if (got < 0)
        return false;
    m_dataEnd += got;
    m_buffer[size_t(m_dataEnd)] = '\n';
    if (got == 0) {
        m_state = State::AtEnd;
        return true;
    }
    const QByteArrayView bytes(piece, got);
    if (m_total == 0 && (bytes.startsWith("MThd") || bytes.startsWith("RIFF")))
        return false;
    m_total += got;
    return m_total <= ReadFile::MaxSize && isPlainAscii(piece, got);
}

} // namespace TextFile
