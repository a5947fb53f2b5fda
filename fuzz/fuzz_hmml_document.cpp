// Any bytes opened in the H-MML editor: read, or refused with a message; what
// is read is written back and reads the same again, never a crash.
#include "core/hmml/hmml_file.h"

#include <cstdint>
#include <cstdlib>

static void check(bool condition)
{
    if (!condition)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const HmmlDocument doc = decodeHmmlDocument(bytes, QStringLiteral("fuzz.hml"));
    if (!doc.ok()) {
        check(doc.text.isEmpty());
        return 0;
    }
    check(!doc.text.contains(u'\r'));
    // NUL characters make no text file: with the line breaks rewritten, they
    // may fill the first line enough to read as UTF-16, which is refused.
    if (doc.text.contains(QChar(0)))
        return 0;
    QString error;
    const QByteArray written = encodeHmmlDocument(doc.text, doc, error);
    if (!error.isEmpty())
        return 0; // a character CP932 reads but cannot write back is named
    const HmmlDocument again = decodeHmmlDocument(written, QStringLiteral("fuzz.hml"));
    check(again.ok() && again.text == doc.text);
    check(again.text.isEmpty() || !doc.text.contains(u'\n') || again.lineBreak == doc.lineBreak);
    return 0;
}
