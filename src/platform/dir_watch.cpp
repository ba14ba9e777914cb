#include "platform/dir_watch.h"

#include "platform/application.h"
#include "platform/dir_entries.h"

#include <QMetaObject>
#include <QObject>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace lumora {

namespace {
constexpr uint32_t kNameChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kSelfChanges = IN_DELETE_SELF | IN_MOVE_SELF;
}  // namespace

struct DirWatch::State {
    struct Watch {
        int wd = -1;  // -1 once the kernel dropped it (folder deleted)
        Callback callback;
        Names names = Names::Folders;
    };

    mutable std::mutex mutex;
    int inotifyFd = -1;
    int wakeFd = -1;
    std::thread thread;
    bool stopping = false;
    int nextId = 1;
    std::unordered_map<int, Watch> watches;
    // Several watches may share one kernel watch: inotify hands out one
    // descriptor per inode, e.g. for the desktop folder reached by two routes.
    std::unordered_map<int, std::vector<int>> byDescriptor;
};

DirWatch& DirWatch::instance() {
    static DirWatch watch;
    return watch;
}

DirWatch::DirWatch() : state_(std::make_unique<State>()) {
    state_->inotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    state_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

DirWatch::~DirWatch() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    if (state_->thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(state_->wakeFd, &one, sizeof one);
        state_->thread.join();
    }
    if (state_->inotifyFd >= 0)
        ::close(state_->inotifyFd);
    if (state_->wakeFd >= 0)
        ::close(state_->wakeFd);
}

int DirWatch::add(const QString& folder, Callback callback, Names names) {
    State& s = *state_;
    if (s.inotifyFd < 0 || s.wakeFd < 0 || !callback)
        return 0;
    const uint32_t mask = kNameChanges | kSelfChanges | IN_ONLYDIR;
    int wd = ::inotify_add_watch(s.inotifyFd, encodeFileName(folder).constData(), mask);
    if (wd < 0 && errno == ENAMETOOLONG) {
        // The kernel resolves the descriptor's link to the folder itself.
        const int fd = openDirectory(folder);
        if (fd >= 0) {
            const QByteArray viaFd = "/proc/self/fd/" + QByteArray::number(fd);
            wd = ::inotify_add_watch(s.inotifyFd, viaFd.constData(), mask);
            ::close(fd);
        }
    }
    if (wd < 0)
        return 0;

    std::lock_guard lock(s.mutex);
    const int id = s.nextId++;
    s.watches[id] = State::Watch{wd, std::move(callback), names};
    s.byDescriptor[wd].push_back(id);
    if (!s.thread.joinable() && !s.stopping)
        s.thread = std::thread([this] { run(); });
    return id;
}

void DirWatch::remove(int id) {
    State& s = *state_;
    std::lock_guard lock(s.mutex);
    const auto it = s.watches.find(id);
    if (it == s.watches.end())
        return;
    const int wd = it->second.wd;
    s.watches.erase(it);
    if (wd < 0)
        return;
    auto shared = s.byDescriptor.find(wd);
    if (shared == s.byDescriptor.end())
        return;
    std::erase(shared->second, id);
    if (shared->second.empty()) {
        s.byDescriptor.erase(shared);
        ::inotify_rm_watch(s.inotifyFd, wd);
    }
}

int DirWatch::count() const {
    std::lock_guard lock(state_->mutex);
    return int(state_->watches.size());
}

void DirWatch::run() {
    State& s = *state_;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        pollfd fds[2] = {{s.inotifyFd, POLLIN, 0}, {s.wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;  // only the destructor wakes us
        if (!(fds[0].revents & POLLIN))
            continue;

        const ssize_t length = ::read(s.inotifyFd, buffer, sizeof buffer);
        if (length <= 0)
            continue;

        std::lock_guard lock(s.mutex);
        if (s.stopping)
            return;
        // One call per watch for a whole batch of events.
        std::unordered_set<int> touched;
        bool overflow = false;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                overflow = true;  // events were lost: everyone looks again
                continue;
            }
            const auto subscribers = s.byDescriptor.find(event->wd);
            if (subscribers == s.byDescriptor.end())
                continue;
            const bool named = event->mask & kNameChanges;
            const bool folderName = named && (event->mask & IN_ISDIR);
            for (int id : subscribers->second)
                if (folderName || (event->mask & kSelfChanges) ||
                    (named && s.watches[id].names == Names::All))
                    touched.insert(id);
            if (event->mask & IN_IGNORED) {
                // The kernel dropped the watch; the descriptor may be handed out again.
                for (int id : subscribers->second) {
                    touched.insert(id);
                    s.watches[id].wd = -1;
                }
                s.byDescriptor.erase(subscribers);
            }
        }
        if (overflow)
            for (const auto& [id, watch] : s.watches)
                touched.insert(id);
        for (int id : touched) {
            const auto it = s.watches.find(id);
            if (it != s.watches.end())
                it->second.callback();
        }
    }
}

struct FolderWatcher::Ticket {
    std::atomic<bool> pending{false};
    std::atomic<bool> live{true};
};

FolderWatcher::FolderWatcher(QObject* receiver, DirWatch::Names names,
                             std::function<void()> changed)
    : receiver_(receiver), names_(names), changed_(std::move(changed)) {}

FolderWatcher::~FolderWatcher() {
    stop();
}

void FolderWatcher::setFolder(const QString& folder) {
    if (folder == folder_)
        return;
    folder_ = folder;
    if (active_)
        restart();
}

void FolderWatcher::setActive(bool active) {
    active_ = active;
    if (active)
        restart();
    else
        stop();
}

void FolderWatcher::restart() {
    stop();
    if (folder_.isEmpty() || !receiver_)
        return;
    auto ticket = std::make_shared<Ticket>();
    QObject* receiver = receiver_;
    id_ = DirWatch::instance().add(
        folder_,
        [receiver, ticket, changed = changed_] {
            if (ticket->pending.exchange(true))
                return;
            // Runs on the watch thread: hand over and nothing more. The
            // receiver outlives the watch, which ends before it goes.
            QMetaObject::invokeMethod(
                receiver,
                [ticket, changed] {
                    ticket->pending = false;
                    if (ticket->live)
                        guarded(changed);
                },
                Qt::QueuedConnection);
        },
        names_);
    if (id_ != 0)
        ticket_ = std::move(ticket);
}

void FolderWatcher::stop() {
    if (ticket_)
        ticket_->live = false;
    ticket_.reset();
    if (id_ != 0)
        DirWatch::instance().remove(id_);
    id_ = 0;
}

}  // namespace lumora
