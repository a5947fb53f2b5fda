#pragma once
// Runs the real vltn binary, as a user or a script would.

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

struct VltnRun {
    int exitCode = -1;
    QString out;         // standard output as UTF-8 text
    QByteArray outBytes; // the same, byte for byte (CP932 output)
    QString err;
};

// `shell`: the arguments are one command line for bash, so that a test can
// redirect, pipe or set limits as a user would ("vltn" names the program).
inline VltnRun runVltn(const QStringList &args, const QByteArray &input = {}, bool shell = false)
{
    QProcess p;
    if (shell) {
        p.setProgram(QStringLiteral("bash"));
        QString line = args.join(u' ');
        line.replace(QRegularExpression(QStringLiteral("(?<![\\w/.-])vltn(?![\\w.-])")), QStringLiteral(VLTN_BIN_DIR "/vltn"));
        p.setArguments({QStringLiteral("-c"), line});
    } else {
        p.setProgram(QStringLiteral(VLTN_BIN_DIR "/vltn"));
        p.setArguments(args);
    }
    p.start();
    EXPECT_TRUE(p.waitForStarted(10000));
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(120000)) << args.join(u' ').toStdString();
    VltnRun r;
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "vltn crashed: " << args.join(u' ').toStdString();
    r.exitCode = p.exitCode();
    r.outBytes = p.readAllStandardOutput();
    r.out = QString::fromUtf8(r.outBytes);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
