#pragma once

#include "platform/desktop/system_services.h"

#include <QStringList>

class FakeSystemServices final : public SystemServices {
public:
    bool anotherCopy = false;
    QString programDir;
    QString tempDir;
    bool editorStarts = true;
    QStringList editedFiles;
    int endCalls = 0;

    bool anotherInstanceRunning() override { return anotherCopy; }
    QString programDirectory() override { return programDir; }
    QString temporaryDirectory() override { return tempDir; }
    bool startEditor(const QString &path) override
    {
        editedFiles << path;
        return editorStarts;
    }
    void endProcess() override { ++endCalls; }
};
