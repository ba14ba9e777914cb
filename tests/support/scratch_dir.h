#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>

#include <ftw.h>

namespace lumora::test {

// A temporary folder, removed with everything in it when the object goes.
// Unlike QTemporaryDir it removes entries by the bytes of their names, so the
// names that are not UTF-8, which tests make on purpose, do not stay behind.
class ScratchDir {
public:
    ScratchDir() { dir_.setAutoRemove(false); }
    explicit ScratchDir(const QString& pattern) : dir_(pattern) { dir_.setAutoRemove(false); }
    ~ScratchDir() {
        if (!dir_.isValid())
            return;
        nftw(
            QFile::encodeName(dir_.path()).constData(),
            [](const char* entry, const struct stat*, int, FTW*) {
                std::remove(entry);
                return 0;  // go on: remove what can be removed
            },
            16, FTW_DEPTH | FTW_PHYS);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

}  // namespace lumora::test
