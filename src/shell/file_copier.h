#pragma once

#include "base/file_name.h"

#include <QByteArray>
#include <QString>
#include <functional>

#include <sys/stat.h>

namespace lumora {

// Bytes read and written at a time. A gigabyte takes 8,192 reads and writes
// instead of the 131,072 of 8 KiB blocks, as many as cp makes; the progress,
// shown in whole percent, looks the same.
inline constexpr qint64 kCopyBlockSize = 128 * 1024;

// How a copy ended. Anything but Done left the destination as it was.
enum class CopyOutcome {
    Done,
    CannotOpen,          // the source could not be opened
    NotRegularFile,      // a folder, pipe or device: reading it might never end
    SameFile,            // the destination is the source itself
    CannotCreate,        // the destination could not be made or may not be written
    ReadFailed,          //
    WriteFailed,         // also a failed flush, check or close
    SourceChanged,       // a move keeps a source that changed during the copy
    CannotDeleteSource,  // the move's copy was made, the source stays
};

// The part of size that copied stands for, in whole percent within 0..100.
int percentCopied(qint64 copied, qint64 size);

// A typed destination folder as an absolute path: "~" and "~/..." are in the
// home folder; anything else that is relative is taken from base.
QString destinationFolder(const QString& typed, const QString& base);
// path + "/" + name, without doubling a separator that path ends with.
QString joinPath(const QString& path, const QString& name);
// The name after a path's last separator.
QString fileNameOf(const QString& path);

// Whether a path names a folder (fileExists, base/file_name.h, anything else).
bool folderExists(const QString& path);
// Makes a folder and its missing parents; true when it exists afterwards.
bool makeFolders(const QString& path);

// Copies one regular file so that nothing is ever lost or half-written: the
// bytes go to a temporary file in the destination folder, readable by the
// owner only, which is flushed to disk, checked and closed, and only then
// renamed over the destination. After any failure the temporary file is gone
// and the destination and the source are as they were. Paths are file-name
// strings (base/file_name.h), so names that are not UTF-8 work.
//
// An existing destination is replaced only where this user may write it, so
// a write-protected file is refused. A symbolic link stays and the file it
// points to gets the copy. A writable file in a folder that only its owner's
// rights keep from being renamed over (a folder the user cannot write, or a
// sticky one) is truncated and written in place, flushed: it cannot be kept
// whole through a failure then.
class FileCopier {
public:
    FileCopier(const QString& source, const QString& destination);
    virtual ~FileCopier();
    FileCopier(const FileCopier&) = delete;
    FileCopier& operator=(const FileCopier&) = delete;

    // Opens the source, measures it and refuses a destination that is the
    // source itself (compared by device and inode, so links and mounts count).
    CopyOutcome open();
    qint64 size() const { return qint64(before_.st_size); }

    // Copies the bytes after open() succeeded; progress(copied) after every
    // block and hole. The copy ends at the first read that returns nothing:
    // a short read is no end, and a file that grows is followed. keepTime
    // gives the copy the source's modification time.
    CopyOutcome copy(bool keepTime, const std::function<void(qint64 copied)>& progress);

    // After copy(): the source's size or modification time differs from what
    // open() measured.
    bool sourceChanged() const { return changed_; }

    // The end of a move: deletes the source, unless it changed during the
    // copy or its name now stands for another file.
    CopyOutcome deleteSource();

    // The system's error number of the last failure.
    int error() const { return error_; }

protected:
    // One read of the source at offset, as pread(2) answers: it may return
    // less than asked anywhere (pipes, network and FUSE file systems do).
    virtual qint64 readAt(char* buffer, qint64 wanted, qint64 offset);

private:
    CopyOutcome fail(CopyOutcome outcome);
    CopyOutcome openDestination();
    CopyOutcome copyBytes(int target, const std::function<void(qint64)>& progress, qint64& copied);
    // Copies the source into the empty file fd, then flushes and checks it;
    // sourceMode gives it the source's permission bits.
    CopyOutcome writeFile(int fd, bool keepTime, bool sourceMode,
                          const std::function<void(qint64)>& progress);
    CopyOutcome copyInPlace(bool keepTime, const std::function<void(qint64)>& progress);
    // Closes a written file; false when the close reports a failed write.
    static bool closeWritten(int& fd);
    void discardTemporary();
    bool createNamedTemporary(const QByteArray& folder);
    bool nameTemporary(const QByteArray& folder);

    QByteArray source_;
    QByteArray destination_;
    QByteArray target_;     // the file the copy becomes: the destination or its link's target
    QByteArray temporary_;  // empty while the copy has no name
    int sourceFd_ = -1;
    int targetFd_ = -1;        // an existing target, opened for writing
    bool targetMade_ = false;  // made through a link to nothing: removed again on failure
    int temporaryFd_ = -1;
    struct stat before_ {};
    bool changed_ = false;
    int error_ = 0;
};

}  // namespace lumora
