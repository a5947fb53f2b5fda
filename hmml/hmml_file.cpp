#include "hmml/hmml_file.h"

#include "platform/text_file.h"

HmmlFileText readHmmlFile(const QString &path)
{
    HmmlFileText result;
    const TextFile::ReadResult read = TextFile::readBytes(path);
    if (!read.ok()) {
        result.error = read.error;
        return result;
    }
    // The whole file is decoded and split in one go; at a few hundred
    // megabytes a second there is nothing to gain from reading it in pieces.
    result.text = TextFile::withCrLfLineEnds(TextFile::decode(read.bytes));
    return result;
}
