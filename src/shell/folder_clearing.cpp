#include "shell/folder_clearing.h"

#include "base/file_name.h"

#include <QDir>
#include <QStandardPaths>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {
namespace {

// The path with every link resolved; the path itself when it cannot be.
QString resolved(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    char buffer[PATH_MAX];
    if (bytes.isEmpty() || bytes.contains('\0') || !::realpath(bytes.constData(), buffer))
        return QDir::cleanPath(path);
    return decodeFileName(buffer, qsizetype(strlen(buffer)));
}

QString environmentFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? fallback : value;
}

QStringList protectedFolders() {
    const QString home = QDir::homePath();
    QStringList folders = {QStringLiteral("/"), home};
    using SP = QStandardPaths;
    for (SP::StandardLocation location :
         {SP::GenericConfigLocation, SP::GenericDataLocation, SP::GenericCacheLocation,
          SP::RuntimeLocation, SP::DesktopLocation, SP::DocumentsLocation, SP::DownloadLocation,
          SP::MusicLocation, SP::PicturesLocation, SP::MoviesLocation, SP::TemplatesLocation,
          SP::PublicShareLocation})
        folders << SP::writableLocation(location);
    folders << environmentFolder("XDG_STATE_HOME", home + QStringLiteral("/.local/state"));
    for (const char* variable :
         {"XDG_DESKTOP_DIR", "XDG_DOCUMENTS_DIR", "XDG_DOWNLOAD_DIR", "XDG_MUSIC_DIR",
          "XDG_PICTURES_DIR", "XDG_VIDEOS_DIR", "XDG_TEMPLATES_DIR", "XDG_PUBLICSHARE_DIR"})
        folders << qEnvironmentVariable(variable);
    folders << environmentFolder("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
                   .split(u':');
    folders << environmentFolder("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")).split(u':');
    folders.removeAll(QString());
    return folders;
}

}  // namespace

ClearableFolder clearableFolder(const QString& setting, const QString& storedDefault,
                                const QString& ownName) {
    if (setting.compare(storedDefault, Qt::CaseInsensitive) == 0) {
        const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/lumora/") + ownName;
        return {QDir().mkpath(own) ? own : QString(), true};
    }
    const QByteArray bytes = encodeFileName(setting);
    struct stat st {};
    if (!setting.startsWith(u'/') || bytes.contains('\0') || ::stat(bytes.constData(), &st) != 0 ||
        !S_ISDIR(st.st_mode))
        return {};
    return {setting, false};
}

bool protectedFolder(const QString& folder) {
    const QString cleaned = QDir::cleanPath(folder);
    const QString real = resolved(folder);
    for (const QString& each : protectedFolders())
        if (QDir::cleanPath(each) == cleaned || resolved(each) == real)
            return true;
    return false;
}

FolderClearing::~FolderClearing() {
    stop();
}

bool FolderClearing::start(const QString& folder, const QStringList& names) {
    stop();
    entries_.clear();
    next_ = 0;
    removed_ = 0;
    const QByteArray path = encodeFileName(folder);
    if (path.isEmpty() || path.contains('\0'))
        return false;
    fd_ = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    entries_.reserve(size_t(names.size()));
    for (const QString& name : names) {
        Entry entry{encodeFileName(name)};
        struct stat st {};
        const bool plainName = !entry.name.isEmpty() && !entry.name.contains('/') &&
                               !entry.name.contains('\0') && entry.name != "." &&
                               entry.name != "..";
        if (plainName && ::fstatat(fd_, entry.name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
            entry.device = st.st_dev;
            entry.inode = st.st_ino;
            entry.removable = true;
        }
        entries_.push_back(std::move(entry));
    }
    return true;
}

bool FolderClearing::step(std::chrono::nanoseconds budget) {
    if (fd_ < 0)
        return false;
    const auto until = std::chrono::steady_clock::now() + budget;
    do {
        if (next_ >= entries_.size()) {
            stop();
            return false;
        }
        const Entry& entry = entries_[next_++];
        struct stat st {};
        if (entry.removable &&
            ::fstatat(fd_, entry.name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) && st.st_dev == entry.device &&
            st.st_ino == entry.inode && ::unlinkat(fd_, entry.name.constData(), 0) == 0)
            ++removed_;
    } while (std::chrono::steady_clock::now() < until);
    if (next_ >= entries_.size()) {
        stop();
        return false;
    }
    return true;
}

void FolderClearing::stop() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

}  // namespace lumora
