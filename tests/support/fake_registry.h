#pragma once

#include "platform/errors.h"
#include "platform/registry.h"

#include <QStringList>

namespace lumora::test {

// The registry in memory, seeded as a new hive is. Each write that lands is
// noted in `events` ("registry Name=value"), which a test may share with
// other fakes to see the order of things.
class FakeRegistry final : public Registry {
public:
    FakeRegistry() { hive.seed(); }

    RegistryHive hive;
    QStringList* events = nullptr;
    bool failWrites = false;  // every write throws, as a hive that cannot be written

    // A value of the key the wallpaper is kept in.
    std::optional<QString> desktopValue(const char* name) const {
        return hive.value(RegistryRoot::CurrentUser, QStringLiteral("Control Panel\\desktop"),
                          QLatin1String(name));
    }

    bool keyExists(RegistryRoot root, const QString& key) const override {
        return hive.hasKey(root, key);
    }
    std::optional<QString> readString(RegistryRoot root, const QString& key,
                                      const QString& name) const override {
        return hive.value(root, key, name);
    }
    void writeString(RegistryRoot root, const QString& key, const QString& name,
                     const QString& value, KeyAccess access) override {
        if (failWrites)
            throw EError(QStringLiteral("Unable to write to the fake hive"));
        if (access == KeyAccess::Create)
            hive.createKey(root, key);
        if (!hive.setValue(root, key, name, value))
            throw EError(QStringLiteral("The registry key %1 does not exist").arg(key));
        if (events)
            *events << QStringLiteral("registry ") + name + u'=' + value;
    }
    bool deleteValue(RegistryRoot root, const QString& key, const QString& name) override {
        return hive.eraseValue(root, key, name);
    }
    bool deleteKey(RegistryRoot root, const QString& key) override {
        return hive.eraseKey(root, key);
    }
};

// Installs a registry for the lifetime of the object.
class RegistryScope {
public:
    explicit RegistryScope(Registry& registry) { setRegistry(&registry); }
    ~RegistryScope() { setRegistry(nullptr); }
    RegistryScope(const RegistryScope&) = delete;
    RegistryScope& operator=(const RegistryScope&) = delete;
};

}  // namespace lumora::test
