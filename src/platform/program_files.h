#pragma once

#include <QString>

namespace lumora {

// The folder the running program's binary is in (links resolved).
QString programFolder();

// A file that ships with the program: found beside the binary in a build tree
// (besideProgram), otherwise under the installation prefix the binary sits in
// (bin/lumora finds underPrefix at ../underPrefix), so an installed program
// works in any prefix and in a root unpacked elsewhere. When neither exists the
// installed path is returned, so whoever opens it names the file that is missing.
QString programFile(const QString& besideProgram, const QString& underPrefix);
QString programFile(const QString& folder, const QString& besideProgram,
                    const QString& underPrefix);

}  // namespace lumora
