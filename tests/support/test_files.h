#pragma once
// The files a test works on: bytes in and out, CP932 text, and a folder of
// the test's own.

#include "core/io/cp932.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

inline QByteArray sjis(const QString &text)
{
    return Cp932::encode(text).bytes;
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Bytes as "4d 54 68 64" for a failure message.
inline std::string hex(const QByteArray &bytes)
{
    return bytes.toHex(' ').toStdString();
}

inline std::string str(const QString &text)
{
    return text.toStdString();
}

class TempDirTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    // Writes `bytes` to `name` in the folder and returns its path.
    QString write(const QString &name, const QByteArray &bytes)
    {
        EXPECT_TRUE(writeFile(path(name), bytes)) << str(name);
        return path(name);
    }
    QByteArray read(const QString &name) const { return readFile(path(name)); }

    QTemporaryDir dir;
};
