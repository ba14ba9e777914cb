#include "platform/shell_namespace.h"

#include "platform/dir_entries.h"
#include "platform/shell_namespace_linux.h"

namespace lumora {

namespace {
ShellNamespace* current = nullptr;
}

ShellItem folderItem(const QString& parentPath, const QString& name, bool hasSubfolders) {
    ShellItem item;
    item.kind = ShellKind::Folder;
    item.displayName = name;
    item.inFolderName = name;
    item.parsingName = parentPath.endsWith(u'/') ? parentPath + name : parentPath + u'/' + name;
    item.hasSubfolders = hasSubfolders;
    return item;
}

std::optional<std::vector<ShellItem>> fileSystemFolders(const QString& path, bool probe) {
    auto entries = readSubfolders(path, probe);
    if (!entries)
        return std::nullopt;
    std::vector<ShellItem> items;
    items.reserve(entries->size());
    for (const SubfolderEntry& entry : *entries)
        items.push_back(folderItem(path, entry.name, entry.hasSubfolders));
    return items;
}

bool pathIsUnder(const QString& path, const QString& prefix) {
    if (prefix.isEmpty())
        return false;
    if (prefix == u'/')
        return path.startsWith(u'/');
    if (!path.startsWith(prefix))
        return false;
    return path.size() == prefix.size() || path[prefix.size()] == u'/' || prefix.endsWith(u'/');
}

ShellNamespace& shellNamespace() {
    if (current)
        return *current;
    static LinuxShellNamespace* real = new LinuxShellNamespace;  // lives to the end
    return *real;
}

void setShellNamespace(ShellNamespace* replacement) {
    current = replacement;
}

}  // namespace lumora
