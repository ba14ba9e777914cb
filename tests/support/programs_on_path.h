#pragma once

#include "support/scratch_dir.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace lumora::test {

// Makes PATH one folder of stand-in programs for the object's life, so a test
// decides which programs the desktop has. Each stand-in notes its command line
// in the file "started" and ends with the given exit code.
class ProgramsOnPath {
public:
    ProgramsOnPath() : saved_(qgetenv("PATH")) { qputenv("PATH", QFile::encodeName(bin_.path())); }
    ~ProgramsOnPath() { qputenv("PATH", saved_); }
    ProgramsOnPath(const ProgramsOnPath&) = delete;
    ProgramsOnPath& operator=(const ProgramsOnPath&) = delete;

    void install(const QString& name, int exitCode = 0) {
        QFile program(bin_.filePath(name));
        program.open(QIODevice::WriteOnly);
        program.write("#!/bin/sh\necho \"" + QFile::encodeName(name) + " $*\" >> '" +
                      QFile::encodeName(bin_.filePath(QStringLiteral("started"))) + "'\nexit " +
                      QByteArray::number(exitCode) + "\n");
        program.close();
        program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void uninstall(const QString& name) { QFile::remove(bin_.filePath(name)); }

    // The command lines the stand-ins were started with, in order.
    QStringList started() const {
        QFile file(bin_.filePath(QStringLiteral("started")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    ScratchDir bin_;
    QByteArray saved_;
};

}  // namespace lumora::test
