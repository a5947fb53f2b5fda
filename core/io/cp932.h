#pragma once
// The Japanese Windows code page. Songs, settings and generated programs are
// stored in it; Qt's ICU-backed codec does the work, we only add error reports.

#include <QByteArray>
#include <QString>
#include <optional>

namespace Cp932 {

// Decodes CP932 bytes. Bytes that do not convert (a lone lead byte at the
// end among them) become replacement characters; `hadErrors` (when given)
// tells whether that happened.
QString decode(QByteArrayView bytes, bool *hadErrors = nullptr);

struct EncodeResult {
    QByteArray bytes;
    // Empty when every character converted; otherwise a Japanese message that
    // names the first character CP932 cannot hold.
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Encodes text as CP932. A character the code page cannot hold is an error:
// writing "?" in its place would silently lose it.
EncodeResult encode(const QString &text);

// True when the codec is available (ICU present).
bool available();

} // namespace Cp932
