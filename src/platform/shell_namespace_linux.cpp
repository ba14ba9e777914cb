#include "platform/shell_namespace_linux.h"

#include "platform/dir_entries.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace lumora {

namespace {

// File systems that never hold user data.
const QSet<QString>& pseudoTypes() {
    static const QSet<QString> types = {
        QStringLiteral("proc"),        QStringLiteral("sysfs"),       QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),     QStringLiteral("devpts"),      QStringLiteral("devtmpfs"),
        QStringLiteral("mqueue"),      QStringLiteral("debugfs"),     QStringLiteral("securityfs"),
        QStringLiteral("tracefs"),     QStringLiteral("pstore"),      QStringLiteral("bpf"),
        QStringLiteral("configfs"),    QStringLiteral("fusectl"),     QStringLiteral("hugetlbfs"),
        QStringLiteral("autofs"),      QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"),  QStringLiteral("nsfs"),        QStringLiteral("overlay"),
        QStringLiteral("squashfs"),    QStringLiteral("ramfs"),       QStringLiteral("selinuxfs"),
        QStringLiteral("fuse.portal"), QStringLiteral("nfsd"),
    };
    return types;
}

const QSet<QString>& networkTypes() {
    static const QSet<QString> types = {
        QStringLiteral("cifs"),       QStringLiteral("smb3"),
        QStringLiteral("smbfs"),      QStringLiteral("nfs"),
        QStringLiteral("nfs4"),       QStringLiteral("sshfs"),
        QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("afs"),        QStringLiteral("ceph"),
    };
    return types;
}

bool under(const QString& path, const QString& folder) {
    return pathIsUnder(path, folder);
}

bool isDirectory(const QString& path) {
    struct stat st;
    return ::stat(encodeFileName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString readTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

// udev writes blanks and other bytes of labels as "\xNN".
QString unescapeUdevName(const QString& name) {
    QByteArray bytes = encodeFileName(name), out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + 3 < bytes.size() && bytes[i + 1] == 'x') {
            bool ok = false;
            const int value = bytes.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += bytes[i];
    }
    return decodeFileName(out);
}

// The name under /dev/disk/<folder>/ whose link leads to the device.
QString diskLinkName(const QString& folder, const QString& device) {
    if (!device.startsWith(QLatin1String("/dev/")))
        return {};
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    QDirIterator links(QStringLiteral("/dev/disk/") + folder, QDir::System | QDir::Files);
    while (links.hasNext()) {
        const QString link = links.next();
        if (QFileInfo(link).canonicalFilePath() == target)
            return links.fileName();
    }
    return {};
}

bool removableDevice(const MountEntry& entry) {
    if (under(entry.mountPoint, QStringLiteral("/media")) ||
        under(entry.mountPoint, QStringLiteral("/run/media")))
        return true;
    if (!entry.device.startsWith(QLatin1String("/dev/")))
        return false;
    const QString name = QFileInfo(QFileInfo(entry.device).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    QString block = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (block.isEmpty())
        return false;
    // A partition's flag lives with its disk.
    if (QFileInfo::exists(block + QStringLiteral("/partition")))
        block = QFileInfo(block).absolutePath();
    return readTextFile(block + QStringLiteral("/removable")) == u'1';
}

qint64 stampOfText(const QString& text) {
    // A FAT serial ("1A2B-3C4D") is a number already; a UUID is folded to one.
    QString hex = text;
    hex.remove(u'-');
    bool ok = false;
    if (hex.size() <= 15) {
        const qint64 value = hex.toLongLong(&ok, 16);
        if (ok)
            return value;
    }
    const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1);
    qint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | quint8(digest[i]);
    return value & 0x7fffffffffffffffLL;
}

}  // namespace

MountRole mountRole(const MountEntry& entry) {
    if (networkTypes().contains(entry.type))
        return MountRole::NetworkShare;
    const QString& point = entry.mountPoint;
    if (point == u'/')
        return MountRole::Drive;
    if (pseudoTypes().contains(entry.type))
        return MountRole::Hidden;
    for (const char* system : {"/proc", "/sys", "/dev", "/boot", "/snap", "/run"})
        if (under(point, QLatin1String(system)) && !under(point, QStringLiteral("/run/media")))
            return MountRole::Hidden;
    // RAM disks count only where users keep files.
    if (entry.type == QLatin1String("tmpfs") && point != QLatin1String("/tmp") &&
        point != QLatin1String("/var/tmp"))
        return MountRole::Hidden;
    return MountRole::Drive;
}

MountLists classifyMounts(const std::vector<MountEntry>& table) {
    // The last mount on a point hides the ones below it.
    std::vector<MountEntry> visible;
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        const bool seen = std::any_of(visible.begin(), visible.end(), [&](const MountEntry& e) {
            return e.mountPoint == it->mountPoint;
        });
        if (!seen)
            visible.push_back(*it);
    }
    MountLists lists;
    for (MountEntry& entry : visible) {
        switch (mountRole(entry)) {
            case MountRole::Drive:
                lists.drives.push_back(std::move(entry));
                break;
            case MountRole::NetworkShare:
                lists.shares.push_back(std::move(entry));
                break;
            case MountRole::Hidden:
                break;
        }
    }
    const auto order = [](const MountEntry& a, const MountEntry& b) {
        if ((a.mountPoint == u'/') != (b.mountPoint == u'/'))
            return a.mountPoint == u'/';
        return a.mountPoint < b.mountPoint;
    };
    std::sort(lists.drives.begin(), lists.drives.end(), order);
    std::sort(lists.shares.begin(), lists.shares.end(), order);
    return lists;
}

LinuxShellNamespace::LinuxShellNamespace(QObject* parent)
    : ShellNamespace(parent), watch_(new MountWatch(this)) {
    connect(watch_, &MountWatch::changed, this, &ShellNamespace::devicesChanged);
}

QString xdgUserFolder(const char* variable, QStandardPaths::StandardLocation location) {
    // The variable wins, as with xdg-user-dir when no user-dirs.dirs says otherwise.
    const QString fromEnvironment = qEnvironmentVariable(variable);
    if (!fromEnvironment.isEmpty())
        return QDir::cleanPath(fromEnvironment);
    return QStandardPaths::writableLocation(location);
}

QString LinuxShellNamespace::desktopPath() {
    return xdgUserFolder("XDG_DESKTOP_DIR", QStandardPaths::DesktopLocation);
}

ShellItem LinuxShellNamespace::desktop() {
    ShellItem item;
    item.kind = ShellKind::Desktop;
    item.displayName = item.inFolderName = QStringLiteral("Desktop");
    item.parsingName = desktopPath();
    item.hasSubfolders = true;
    return item;
}

ShellItem LinuxShellNamespace::recycleBin() {
    ShellItem item;
    item.kind = ShellKind::RecycleBin;
    item.displayName = item.inFolderName = QStringLiteral("Trash");
    return item;
}

ShellItem LinuxShellNamespace::network() {
    ShellItem item;
    item.kind = ShellKind::Network;
    item.displayName = item.inFolderName = QStringLiteral("Network");
    item.hasSubfolders = true;
    return item;
}

ShellItem LinuxShellNamespace::computer() {
    ShellItem item;
    item.kind = ShellKind::Computer;
    item.displayName = item.inFolderName = QStringLiteral("Computer");
    item.hasSubfolders = true;
    return item;
}

ShellItem LinuxShellNamespace::driveItem(const MountEntry& entry) const {
    ShellItem item;
    item.kind = ShellKind::Drive;
    item.parsingName = item.inFolderName = entry.mountPoint;
    item.removable = removableDevice(entry);
    const QString label = unescapeUdevName(diskLinkName(QStringLiteral("by-label"), entry.device));
    item.displayName = label.isEmpty() ? entry.mountPoint : label;
    // A removable medium may be slow to spin up: assume it has folders.
    item.hasSubfolders = item.removable || lumora::hasSubfolders(entry.mountPoint);
    return item;
}

ShellItem LinuxShellNamespace::shareItem(const MountEntry& entry) const {
    ShellItem item;
    item.kind = ShellKind::NetworkShare;
    item.parsingName = item.inFolderName = entry.mountPoint;
    // "//server/share", "host:/export"; the desktop's own mount has no such source.
    item.displayName =
        entry.type == QLatin1String("fuse.gvfsd-fuse") ? entry.mountPoint : entry.device;
    item.hasSubfolders = true;
    return item;
}

bool LinuxShellNamespace::onNetwork(const QString& path) const {
    const MountLists lists = classifyMounts(readMountTable());
    QString best;
    bool network = false;
    for (const auto* list : {&lists.drives, &lists.shares})
        for (const MountEntry& entry : *list)
            if (pathIsUnder(path, entry.mountPoint) && entry.mountPoint.size() > best.size()) {
                best = entry.mountPoint;
                network = list == &lists.shares;
            }
    return network;
}

std::optional<std::vector<ShellItem>> LinuxShellNamespace::folders(const ShellItem& parent) {
    switch (parent.kind) {
        case ShellKind::Desktop:
            return std::vector<ShellItem>{recycleBin(), network(), computer()};
        case ShellKind::RecycleBin:
            return std::vector<ShellItem>{};
        case ShellKind::Computer: {
            std::vector<ShellItem> items;
            for (const MountEntry& entry : classifyMounts(readMountTable()).drives)
                if (isDirectory(entry.mountPoint))
                    items.push_back(driveItem(entry));
            return items;
        }
        case ShellKind::Network: {
            std::vector<ShellItem> items;
            for (const MountEntry& entry : classifyMounts(readMountTable()).shares)
                items.push_back(shareItem(entry));
            return items;
        }
        case ShellKind::Drive:
        case ShellKind::NetworkShare:
        case ShellKind::Folder:
            // Looking into every folder of a remote share would be slow.
            return fileSystemFolders(parent.parsingName, parent.kind != ShellKind::NetworkShare &&
                                                             !onNetwork(parent.parsingName));
    }
    return std::nullopt;
}

std::optional<ShellItem> LinuxShellNamespace::drive(const QString& mountPoint) {
    for (const MountEntry& entry : classifyMounts(readMountTable()).drives)
        if (entry.mountPoint == mountPoint)
            return driveItem(entry);
    return std::nullopt;
}

qint64 LinuxShellNamespace::mediumStamp(const ShellItem& drive) {
    if (!drive.removable)
        return 1;
    for (const MountEntry& entry : classifyMounts(readMountTable()).drives) {
        if (entry.mountPoint != drive.parsingName)
            continue;
        struct statvfs fs;
        if (::statvfs(encodeFileName(entry.mountPoint).constData(), &fs) != 0)
            return -1;
        const QString uuid = diskLinkName(QStringLiteral("by-uuid"), entry.device);
        if (!uuid.isEmpty())
            return stampOfText(uuid);
        return qint64(fs.f_fsid & 0x7fffffffffffffffULL);
    }
    return -1;
}

}  // namespace lumora
