#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace lumora {

// The special folders, named as the shell's "Shell Folders" values under
// HKEY_CURRENT_USER.
inline constexpr const char* kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The roots the program writes under, named as the program names them.
enum class RegistryRoot { ClassesRoot, CurrentUser };
QString registryRootName(RegistryRoot root);

// How a write reaches its key: only a key that is there already (a missing
// one fails the write), or a key made on the way together with its parents.
enum class KeyAccess { OpenExisting, Create };

// Keys of "\"-separated names below a root, each with a default value (the
// empty name) and named string values. Names compare without regard to case
// and keep the case they were first written with. Failed writes throw EError.
class Registry {
public:
    virtual ~Registry() = default;
    virtual bool keyExists(RegistryRoot root, const QString& key) const = 0;
    // No value: the key or the value is not there.
    virtual std::optional<QString> readString(RegistryRoot root, const QString& key,
                                              const QString& name) const = 0;
    virtual void writeString(RegistryRoot root, const QString& key, const QString& name,
                             const QString& value, KeyAccess access) = 0;
    // Whether there was such a value.
    virtual bool deleteValue(RegistryRoot root, const QString& key, const QString& name) = 0;
    // The key with its subkeys and their values; whether there was such a key.
    virtual bool deleteKey(RegistryRoot root, const QString& key) = 0;
};

Registry& registry();
// Replaces the registry for tests; nullptr brings back the hive file.
void setRegistry(Registry* replacement);

// The hive's text held in memory. Lines of the file:
//   [HKEY_CURRENT_USER\Control Panel\desktop]   a key, its path %-escaped
//   @="..."                                      its default value
//   "TileWallPaper"="0"                          a named value
// Names and values are quoted with \\, \", \n, \r and \xHH escapes, so any
// text survives whole, also bytes that are not UTF-8 (file names). Lines that
// are none of these are dropped.
class RegistryHive {
public:
    static RegistryHive parse(const QByteArray& bytes);
    QByteArray serialize() const;

    // Keys in file order, as full paths with their root ("HKEY_CURRENT_USER\...").
    QStringList keyPaths() const;
    // Value names of a key in file order ("" is the default value).
    QStringList valueNames(RegistryRoot root, const QString& key) const;

    bool hasKey(RegistryRoot root, const QString& key) const;
    // Makes the key and its missing parents.
    void createKey(RegistryRoot root, const QString& key);
    std::optional<QString> value(RegistryRoot root, const QString& key, const QString& name) const;
    // False when the key is not there.
    bool setValue(RegistryRoot root, const QString& key, const QString& name, const QString& value);
    bool eraseValue(RegistryRoot root, const QString& key, const QString& name);
    bool eraseKey(RegistryRoot root, const QString& key);

    // Adds the keys the program opens without creating them, where missing:
    // the platform it was written for always has them. The special folders
    // missing from "Shell Folders" are named after the XDG folders now.
    void seed();

private:
    struct Value {
        QString name;
        QString data;
    };
    struct Key {
        QString path;  // with its root, components joined by "\"
        std::vector<Value> values;
        QHash<QString, qsizetype> byName;  // case-folded name -> index in values
    };

    static QString fullPath(RegistryRoot root, const QString& key);
    Key* findKey(const QString& path);
    const Key* findKey(const QString& path) const;
    Key& addKey(const QString& path);
    static void putValue(Key& key, const QString& name, const QString& data);
    void reindex();

    std::vector<Key> keys_;
    QHash<QString, qsizetype> byPath_;  // case-folded path -> index in keys_
};

// The hive file registry.ini beside the settings file. Every read loads the
// file afresh. A write takes a lock beside it, reads it again, edits and
// replaces it atomically, so copies of the program writing at once lose
// nothing. A file that cannot be read is never replaced.
class HiveRegistry final : public Registry {
public:
    static constexpr const char* kFileName = "registry.ini";

    // The file in $XDG_CONFIG_HOME/lumora/ unless a path is given.
    explicit HiveRegistry(const QString& path = QString());
    QString path() const;

    bool keyExists(RegistryRoot root, const QString& key) const override;
    std::optional<QString> readString(RegistryRoot root, const QString& key,
                                      const QString& name) const override;
    void writeString(RegistryRoot root, const QString& key, const QString& name,
                     const QString& value, KeyAccess access) override;
    bool deleteValue(RegistryRoot root, const QString& key, const QString& name) override;
    bool deleteKey(RegistryRoot root, const QString& key) override;

private:
    // The hive as the file holds it, seeded; no value when the file is there
    // but cannot be read.
    std::optional<RegistryHive> load() const;
    // What readers see: a hive that cannot be read holds only the seeded keys.
    RegistryHive readable() const;
    // Edits the hive under the lock and writes it back when edit says so.
    bool update(const std::function<bool(RegistryHive&)>& edit);
    [[noreturn]] void failWrite() const;

    QString path_;  // empty: follows $XDG_CONFIG_HOME
};

}  // namespace lumora
