#include "platform/mount_watch.h"

#include "platform/dir_entries.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>

namespace lumora {

namespace {

// Undoes the kernel's octal escapes of blanks, tabs, new lines and "\".
QByteArray unescapeField(const QByteArray& field) {
    if (!field.contains('\\'))
        return field;
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = digits.size() == 3;
            for (char d : digits)
                ok = ok && d >= '0' && d <= '7';
            if (ok) {
                out += char(digits.toInt(nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace

std::vector<MountEntry> parseMountTable(const QByteArray& text) {
    std::vector<MountEntry> table;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 4)
            continue;
        MountEntry entry;
        entry.device = decodeFileName(unescapeField(fields[0]));
        entry.mountPoint = decodeFileName(unescapeField(fields[1]));
        entry.type = QString::fromLatin1(unescapeField(fields[2]));
        entry.options = decodeFileName(unescapeField(fields[3]));
        if (!entry.mountPoint.startsWith(u'/'))
            continue;
        table.push_back(std::move(entry));
    }
    return table;
}

std::vector<MountEntry> readMountTable() {
    QFile file(QStringLiteral("/proc/self/mounts"));
    // A proc file has no size: read it to the end.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return parseMountTable(file.readAll());
}

MountWatch::MountWatch(QObject* parent) : QObject(parent) {
    fd_ = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        // Reading to the end re-arms the descriptor for the next change.
        char buffer[4096];
        ::lseek(fd_, 0, SEEK_SET);
        while (::read(fd_, buffer, sizeof buffer) > 0) {
        }
        emit changed();
    });
}

MountWatch::~MountWatch() {
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace lumora
