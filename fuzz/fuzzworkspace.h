// A private working folder and one quiet interface object shared by a whole fuzzing run.
#pragma once

#include "controller/kelinterface.h"

#include <QByteArray>
#include <QTemporaryDir>

class FuzzWorkspace
{
public:
    // Silences diagnostics, makes sure an application object exists, and moves into a fresh
    // temporary folder, so "config.xml" and other files of the run stay out of the caller's.
    explicit FuzzWorkspace(const char *programName);

    KelInterface &kel() { return *interface; }

private:
    // QCoreApplication keeps references to its arguments for its whole life.
    int argc = 1;
    QByteArray name;
    char *argv[2] = {nullptr, nullptr};
    QTemporaryDir dir;
    // Neither is ever deleted: the workspace lives as long as the fuzzing process.
    KelInterface *interface = nullptr;
};
