#include "platform/program_files.h"
#include "base/file_name.h"
#include "support/qt_print.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/stat.h>

namespace lumora {
namespace {

// Makes the folders of path (named by its exact bytes) and an empty file at its end.
void makeFile(const QByteArray& path) {
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0755);
    FILE* made = std::fopen(path.constData(), "w");
    ASSERT_NE(made, nullptr) << path.constData();
    std::fclose(made);
}

// The program finds what ships with it beside itself in a build tree and under
// its prefix once installed, also in a prefix with a space, non-ASCII letters or
// bytes that are not UTF-8.
TEST(ProgramFiles, BesideInABuildTreeUnderThePrefixWhenInstalled) {
    test::ScratchDir scratch;
    const QByteArray root = encodeFileName(scratch.path());
    const QString help = QStringLiteral("help/index.html");
    const QString installedHelp = QStringLiteral("share/lumora/help/index.html");

    for (const QByteArray& prefix : {root + "/opt/Lumora B\xc3\xbchne", root + "/caf\xe9 x"}) {
        // Installed: bin/ holds only the program.
        makeFile(prefix + "/bin/lumora");
        makeFile(prefix + "/share/lumora/help/index.html");
        const QString bin = decodeFileName(prefix + "/bin");
        EXPECT_EQ(programFile(bin, help, installedHelp),
                  decodeFileName(prefix + "/share/lumora/help/index.html"));

        // A build tree: the pages beside the program win.
        makeFile(prefix + "/build/help/index.html");
        const QString build = decodeFileName(prefix + "/build");
        EXPECT_EQ(programFile(build, help, installedHelp),
                  decodeFileName(prefix + "/build/help/index.html"));

        // Pages deleted: the installed path, for the opener to report as missing.
        const QString empty = decodeFileName(prefix + "/empty/bin");
        EXPECT_EQ(programFile(empty, help, installedHelp),
                  decodeFileName(prefix + "/empty/share/lumora/help/index.html"));
    }
}

}  // namespace
}  // namespace lumora
