#include "hmml/hmml_file.h"

#include "platform/read_file.h"
#include "platform/text_file.h"

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
    const TextFile::DecodeResult decoded = TextFile::decodeText(read.bytes);
    if (!decoded.ok()) {
        result.error = QStringLiteral("%1 を読めません: %2").arg(ReadFile::displayName(path), decoded.error);
        return result;
    }
    result.text = TextFile::withCrLfLineEnds(decoded.text);
    return result;
}
