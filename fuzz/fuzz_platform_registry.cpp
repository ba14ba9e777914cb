// The registry hive as arbitrary bytes: parse, read every key and value,
// write each value back under a hostile name and check that the file keeps
// everything whole.
#include "fuzz_check.h"
#include "platform/registry.h"

#include <cstdint>

using lumora::RegistryHive;
using lumora::RegistryRoot;

namespace {

// A key path as the hive holds it, split into its root and the path below.
bool split(const QString& path, RegistryRoot& root, QString& below) {
    const qsizetype slash = path.indexOf(u'\\');
    const QString rootName = path.left(slash);
    for (RegistryRoot each : {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser})
        if (rootName == lumora::registryRootName(each)) {
            root = each;
            below = slash < 0 ? QString() : path.mid(slash + 1);
            return true;
        }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    RegistryHive hive = RegistryHive::parse(bytes);

    // Writing out what was read and reading it again changes nothing.
    const QByteArray once = hive.serialize();
    const RegistryHive again = RegistryHive::parse(once);
    check(again.serialize() == once);
    const QStringList keys = hive.keyPaths();
    check(again.keyPaths() == keys);

    int budget = 64;
    for (const QString& path : keys) {
        RegistryRoot root;
        QString key;
        check(split(path, root, key));
        check(again.valueNames(root, key) == hive.valueNames(root, key));
        for (const QString& name : hive.valueNames(root, key)) {
            check(again.value(root, key, name) == hive.value(root, key, name));
            if (--budget < 0)
                continue;
            // Any text, the input's own bytes included, survives as a name and a value.
            const QString odd = *hive.value(root, key, name) + QStringLiteral("\"\\\n[]=") +
                                QString::fromLatin1(bytes.left(32));
            check(hive.setValue(root, key, odd, odd));
            check(RegistryHive::parse(hive.serialize()).value(root, key, odd) == odd);
        }
    }
    if (!keys.isEmpty()) {
        RegistryRoot root;
        QString key;
        check(split(keys.front(), root, key));
        hive.eraseKey(root, key);
        check(!RegistryHive::parse(hive.serialize()).hasKey(root, key));
    }
    return 0;
}
