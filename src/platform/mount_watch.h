#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <vector>

class QSocketNotifier;

namespace lumora {

// One line of the mount table.
struct MountEntry {
    QString device;
    QString mountPoint;
    QString type;
    QString options;
};

// Parses /proc/self/mounts text ("device mount-point type options 0 0", with
// octal escapes such as \040 for a space); malformed lines are skipped.
std::vector<MountEntry> parseMountTable(const QByteArray& text);
// The process's mount table now; empty when it cannot be read.
std::vector<MountEntry> readMountTable();

// Reports changes of the mount table (a file system mounted or unmounted,
// a medium inserted or taken out): the kernel marks /proc/self/mounts with a
// priority event, which the event loop sees as an exceptional condition.
class MountWatch : public QObject {
    Q_OBJECT
public:
    explicit MountWatch(QObject* parent = nullptr);
    ~MountWatch() override;

    bool isActive() const { return notifier_ != nullptr; }

signals:
    void changed();

private:
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lumora
