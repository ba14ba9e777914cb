#include "platform/dir_entries.h"

#include <QList>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumora {

namespace {

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

EntryKind kindOfMode(mode_t mode) {
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    if (S_ISREG(mode))
        return EntryKind::File;
    return EntryKind::Other;
}

// Kind of one entry, following symbolic links; d_type saves the stat call for
// everything but links and file systems that do not report it.
EntryKind entryKind(int dirFd, const dirent* entry) {
    switch (entry->d_type) {
        case DT_DIR:
            return EntryKind::Directory;
        case DT_REG:
            return EntryKind::File;
        case DT_LNK:
        case DT_UNKNOWN: {
            struct stat st;
            if (fstatat(dirFd, entry->d_name, &st, 0) != 0)
                return EntryKind::File;  // broken link
            return kindOfMode(st.st_mode);
        }
        default:
            return EntryKind::Other;
    }
}

int openDirectoryBytes(const QByteArray& path) {
    if (path.isEmpty())
        return -1;
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != ENAMETOOLONG)
        return fd;
    // Too long for one call: walk it.
    int current = ::open(path.startsWith('/') ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QByteArray& part : path.split('/')) {
        if (current < 0)
            break;
        if (part.isEmpty())
            continue;
        const int next = ::openat(current, part.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(current);
        current = next;
    }
    return current;
}

// Whether the folder opened at dirFd/name holds a folder.
bool probeSubfolders(int parentFd, const char* name) {
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (isDotOrDotDot(entry->d_name))
            continue;
        if (entryKind(::dirfd(dir), entry) == EntryKind::Directory) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

int openDirectory(const QString& path) {
    return openDirectoryBytes(encodeFileName(path));
}

namespace {

// Calls visit(dirfd, entry) for each entry but "." and ".."; false when the
// folder cannot be opened.
template <typename Visit>
bool forEachEntry(const QString& path, Visit visit) {
    const int fd = openDirectory(path);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    const int dfd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir))
        if (!isDotOrDotDot(entry->d_name))
            visit(dfd, entry);
    ::closedir(dir);
    return true;
}

}  // namespace

bool visitDirectory(const QString& path, unsigned flags,
                    const std::function<void(const DirEntryView&)>& visit) {
    return forEachEntry(path, [&](int dfd, const dirent* entry) {
        DirEntryView e;
        e.name = std::string_view(entry->d_name);
        e.kind = entryKind(dfd, entry);
        if (flags & ReadOnlyFlags)
            e.readOnly = ::faccessat(dfd, entry->d_name, W_OK, 0) != 0;
        visit(e);
    });
}

std::optional<std::vector<DirEntry>> readDirectory(const QString& path, unsigned flags) {
    std::vector<DirEntry> entries;
    const bool opened = visitDirectory(path, flags, [&](const DirEntryView& e) {
        entries.push_back({QByteArray(e.name.data(), qsizetype(e.name.size())), e.kind,
                           e.readOnly});
    });
    if (!opened)
        return std::nullopt;
    return entries;
}

std::optional<std::vector<SubfolderEntry>> readSubfolders(const QString& path, bool probe) {
    std::vector<SubfolderEntry> folders;
    const bool opened = forEachEntry(path, [&](int dfd, const dirent* entry) {
        if (entryKind(dfd, entry) != EntryKind::Directory)
            return;
        SubfolderEntry folder;
        folder.name = decodeFileName(entry->d_name, qsizetype(std::strlen(entry->d_name)));
        folder.hasSubfolders = !probe || probeSubfolders(dfd, entry->d_name);
        folders.push_back(std::move(folder));
    });
    if (!opened)
        return std::nullopt;
    return folders;
}

bool hasSubfolders(const QString& path) {
    const int fd = openDirectory(path);
    if (fd < 0)
        return false;
    const bool found = probeSubfolders(fd, ".");
    ::close(fd);
    return found;
}

bool setCurrentDirectory(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    if (bytes.isEmpty())
        return false;
    if (::chdir(bytes.constData()) == 0)
        return true;
    if (errno != ENAMETOOLONG)
        return false;
    const int fd = openDirectoryBytes(bytes);
    if (fd < 0)
        return false;
    const bool ok = ::fchdir(fd) == 0;
    ::close(fd);
    return ok;
}

QString currentDirectory() {
    // getcwd() fails with ERANGE for long paths; grow the buffer until it fits.
    QByteArray buffer(PATH_MAX, Qt::Uninitialized);
    while (!::getcwd(buffer.data(), size_t(buffer.size()))) {
        if (errno != ERANGE || buffer.size() > (1 << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return decodeFileName(buffer.constData(), qsizetype(std::strlen(buffer.constData())));
}

}  // namespace lumora
