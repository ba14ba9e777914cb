#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace lumora {

// Directory-name change notification: a subfolder of a watched folder was
// created, deleted or renamed, or the folder itself went away.
//
// One inotify instance and one thread serve every watch of the process: the
// kernel allows a user only a few instances (128 by default, shared by all of
// the user's programs), while watches are plentiful. The thread sleeps in
// poll() on the inotify descriptor and a wake-up eventfd, so idle watches cost
// nothing.
class DirWatch {
public:
    using Callback = std::function<void()>;

    static DirWatch& instance();

    DirWatch();
    ~DirWatch();
    DirWatch(const DirWatch&) = delete;
    DirWatch& operator=(const DirWatch&) = delete;

    // Starts watching a folder (not its subfolders); the callback runs on the
    // watch thread and must only hand the news on (post an event). Returns the
    // watch's id, 0 when the folder cannot be watched.
    int add(const QString& folder, Callback callback);
    // Ends a watch. Once this returns its callback neither runs nor will run.
    void remove(int id);

    // Watches currently registered (for tests and diagnostics).
    int count() const;

private:
    struct State;
    std::unique_ptr<State> state_;
    void run();
};

}  // namespace lumora
