#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QFile>
#include <QString>

namespace lumora {

// Makes a folder read-only for this thread for the guard's life. Tests may run
// as root, whom permission bits do not stop, so the thread also gives up the
// capability that overrides them. An empty folder only gives up the capability.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : folder_(folder) {
        if (!folder_.isEmpty())
            QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther);
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~ReadOnlyFolder() {
        if (dropped_)
            syscall(SYS_capset, &header_, saved_);
        if (!folder_.isEmpty())
            QFile::setPermissions(
                folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    QString folder_;
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool dropped_ = false;
};

}  // namespace lumora
