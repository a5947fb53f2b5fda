#pragma once
// Runs the real vltn binary, as a user or a script would.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
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

// Starts vltn without waiting for it, in `environment`. `shell`: the
// arguments are one command line for bash, so that a test can redirect,
// pipe or set limits as a user would ("vltn" names the program).
inline void startVltn(QProcess &p, const QStringList &args,
                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(), bool shell = false)
{
    if (shell) {
        QString line = args.join(u' ');
        line.replace(QRegularExpression(QStringLiteral("(?<![\\w/.-])vltn(?![\\w.-])")), QStringLiteral(VLTN_BIN_DIR "/vltn"));
        p.setProgram(QStringLiteral("bash"));
        p.setArguments({QStringLiteral("-c"), line});
    } else {
        p.setProgram(QStringLiteral(VLTN_BIN_DIR "/vltn"));
        p.setArguments(args);
    }
    p.setProcessEnvironment(environment);
    p.start();
}

inline VltnRun runVltn(const QStringList &args, const QByteArray &input = {},
                       const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(), bool shell = false)
{
    QProcess p;
    startVltn(p, args, environment, shell);
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
