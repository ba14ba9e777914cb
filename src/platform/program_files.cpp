#include "platform/program_files.h"

#include "base/file_name.h"

#include <QDir>

#include <unistd.h>
#include <climits>

namespace lumora {

QString programFolder() {
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    if (length <= 0 || size_t(length) == sizeof self)
        return QDir::currentPath();
    // The prefix is bytes: a folder whose name is not UTF-8 still finds its files.
    const QString program = decodeFileName(self, length);
    return program.left(program.lastIndexOf(u'/'));
}

QString programFile(const QString& besideProgram, const QString& underPrefix) {
    return programFile(programFolder(), besideProgram, underPrefix);
}

QString programFile(const QString& folder, const QString& besideProgram,
                    const QString& underPrefix) {
    const QString beside = folder + u'/' + besideProgram;
    if (::access(encodeFileName(beside).constData(), F_OK) == 0)
        return beside;
    return QDir::cleanPath(folder + QStringLiteral("/../") + underPrefix);
}

}  // namespace lumora
