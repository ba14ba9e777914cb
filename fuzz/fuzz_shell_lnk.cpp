// Shortcut files as arbitrary bytes: a file that parses is written out and
// read again unchanged, and every path the reader offers is there to read.
#include "fuzz_check.h"
#include "shell/shell_link_format.h"

#include <cstdint>

using lumora::ShellLinkFile;

namespace {

bool sameFields(const ShellLinkFile& a, const ShellLinkFile& b) {
    return a.linkFlags == b.linkFlags && a.idList == b.idList && a.linkInfo == b.linkInfo &&
           a.name == b.name && a.relativePath == b.relativePath && a.workingDir == b.workingDir &&
           a.arguments == b.arguments && a.iconLocation == b.iconLocation &&
           a.extraBlocks == b.extraBlocks && a.showCommand == b.showCommand &&
           a.hotKey == b.hotKey && a.iconIndex == b.iconIndex && a.times == b.times;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::optional<ShellLinkFile> link = ShellLinkFile::parse(bytes);
    if (!link)
        return 0;
    // The paths are read from checked offsets only.
    const QString target =
        link->localPathUnicode() + link->localPathAnsi() + link->environmentTarget();
    check(target.size() <= bytes.size());

    const QByteArray written = link->serialize();
    check(!written.isEmpty());
    const std::optional<ShellLinkFile> again = ShellLinkFile::parse(written);
    check(again && sameFields(*link, *again));
    check(again->serialize() == written);

    // In Unicode every string survives as it was.
    link->linkFlags |= lumora::link_flags::IsUnicode;
    const std::optional<ShellLinkFile> unicode = ShellLinkFile::parse(link->serialize());
    check(unicode && unicode->name == link->name && unicode->arguments == link->arguments);
    return 0;
}
