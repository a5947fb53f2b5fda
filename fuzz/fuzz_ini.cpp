// Random bytes as an INI file: parsing never fails and gives the bytes back,
// a written key reads back as written, and every other line stays as it was.

#include "core/formats/ini_file.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_ini: %s\n", what);
        std::abort();
    }
}

bool sameLine(const IniDocument::Line &before, const IniDocument::Line &after, bool wasLast)
{
    // The last line gains "\r\n" when a line is written after it.
    return before.text == after.text
           && (before.end == after.end || (wasLast && before.end.isEmpty() && after.end == "\r\n"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QByteArray section = QByteArray::fromStdString(input.ConsumeRandomLengthString(24));
    const QByteArray key = QByteArray::fromStdString(input.ConsumeRandomLengthString(24));
    const QByteArray value = QByteArray::fromStdString(input.ConsumeRandomLengthString(256));
    const QByteArray file = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());

    IniDocument doc = IniDocument::fromBytes(file);
    check(doc.toBytes() == file, "a file read and written unchanged differs");
    const std::optional<QByteArray> before = doc.value(section, key);

    const std::vector<IniDocument::Line> old = doc.lines();
    const bool usable = IniDocument::sectionNameError(section, doc.isUtf8()).isEmpty()
                        && IniDocument::keyNameError(key, doc.isUtf8()).isEmpty();
    const bool written = doc.setValue(section, key, value);
    check(written == usable, "setValue disagrees with the name checks");
    if (!written) {
        check(doc.toBytes() == file, "a refused write changed the file");
        check(!before, "a name that cannot be written was found");
        return 0;
    }

    const IniDocument reread = IniDocument::fromBytes(doc.toBytes());
    // Bytes written into a CP932 file can, rarely, make the whole file read
    // as UTF-8 next time; the names then split otherwise, as such a file does.
    if (reread.isUtf8() != doc.isUtf8())
        return 0;
    check(reread.value(section, key) == IniDocument::singleLineValue(value), "the written value does not read back");

    // The old lines, in order, with at most one of them replaced (the key's
    // line) or one or two lines added (the key, and its section).
    const std::vector<IniDocument::Line> &now = reread.lines();
    const size_t added = now.size() - old.size();
    check(now.size() >= old.size() && added <= 2, "lines were lost or too many added");
    size_t head = 0;
    while (head < old.size() && head < now.size() && sameLine(old[head], now[head], head + 1 == old.size()))
        ++head;
    size_t tail = 0;
    while (tail < old.size() - head && sameLine(old[old.size() - 1 - tail], now[now.size() - 1 - tail], tail == 0))
        ++tail;
    if (added == 0) {
        check(before.has_value(), "a key was replaced that was not there");
        check(head + tail + 1 >= old.size(), "more than the key's line changed");
    } else {
        check(!before.has_value(), "a key was added that was already there");
        check(head + tail == old.size(), "an old line changed when a key was added");
    }
    return 0;
}
