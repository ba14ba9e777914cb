#include "platform/thread_notice.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <system_error>

#include <sys/eventfd.h>
#include <unistd.h>

namespace lumora {

// An eventfd rather than a posted event: nothing is allocated on the worker's
// side, posts add up in the counter instead of queueing events, and the write
// and read order the two threads for the sanitizers too.
ThreadNotice::ThreadNotice(std::function<void()> notice, QObject* parent)
    : QObject(parent), fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), notice_(std::move(notice)) {
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ThreadNotice::deliver);
}

ThreadNotice::~ThreadNotice() {
    delete notifier_;
    ::close(fd_);
}

void ThreadNotice::post() {
    const uint64_t one = 1;
    ssize_t n;
    do {
        n = ::write(fd_, &one, sizeof one);
    } while (n < 0 && errno == EINTR);
}

void ThreadNotice::deliver() {
    uint64_t count;
    if (::read(fd_, &count, sizeof count) == sizeof count)
        notice_();
}

}  // namespace lumora
