#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QObject;

namespace lumora {

// Name change notification: a subfolder (or, when asked, any entry) of a
// watched folder was created, deleted or renamed, or the folder itself went
// away.
//
// One inotify instance and one thread serve every watch of the process: the
// kernel allows a user only a few instances (128 by default, shared by all of
// the user's programs), while watches are plentiful. The thread sleeps in
// poll() on the inotify descriptor and a wake-up eventfd, so idle watches cost
// nothing.
class DirWatch {
public:
    using Callback = std::function<void()>;
    // Which names of the folder are watched.
    enum class Names { Folders, All };

    static DirWatch& instance();

    DirWatch();
    ~DirWatch();
    DirWatch(const DirWatch&) = delete;
    DirWatch& operator=(const DirWatch&) = delete;

    // Starts watching a folder (not its subfolders); the callback runs on the
    // watch thread and must only hand the news on (post an event). Returns the
    // watch's id, 0 when the folder cannot be watched.
    int add(const QString& folder, Callback callback, Names names = Names::Folders);
    // Ends a watch. Once this returns its callback neither runs nor will run.
    void remove(int id);

    // Watches currently registered (for tests and diagnostics).
    int count() const;

private:
    struct State;
    std::unique_ptr<State> state_;
    void run();
};

// The folder a widget shows, watched while the widget asks for it: a change
// reaches `changed` on the receiver's thread, a burst of changes folded into
// one call, and none once the folder changed or the watching stopped.
class FolderWatcher {
public:
    FolderWatcher(QObject* receiver, DirWatch::Names names, std::function<void()> changed);
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    void setFolder(const QString& folder);
    void setActive(bool active);
    bool watching() const { return id_ != 0; }

private:
    struct Ticket;
    void restart();
    void stop();

    QPointer<QObject> receiver_;
    DirWatch::Names names_;
    std::function<void()> changed_;
    QString folder_;
    bool active_ = false;
    int id_ = 0;
    std::shared_ptr<Ticket> ticket_;
};

}  // namespace lumora
