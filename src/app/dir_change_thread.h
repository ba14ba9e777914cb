#pragma once

#include <QString>
#include <atomic>
#include <memory>

namespace lumora {

class TFolderTree;

// The change watcher of one filled folder-tree node: when a subfolder of the
// node's folder is created, deleted or renamed (or the folder itself goes), it
// asks the tree, through a queued call on the interface thread, to re-read the
// node. The request carries the node's id, never a pointer, so a request that
// arrives after the node is gone finds nothing.
//
// All watchers share the platform's one inotify thread (DirWatch): a thread
// and inotify instance per node would run out of instances after ~128 folders.
class TThDirChange {
public:
    TThDirChange(TFolderTree* tree, quint64 node, const QString& folder);
    ~TThDirChange();
    TThDirChange(const TThDirChange&) = delete;
    TThDirChange& operator=(const TThDirChange&) = delete;

    // Stops watching; once it returns no further request is sent.
    void Terminate();
    bool Watching() const { return watchId_ != 0; }
    QString Folder() const { return folder_; }
    quint64 Node() const { return node_; }

    // The tree took the request: changes from now on send a new one. Requests
    // are folded so that a burst of changes costs one re-read.
    void requestTaken() { pending_->store(false); }

private:
    quint64 node_;
    QString folder_;
    int watchId_ = 0;
    std::shared_ptr<std::atomic<bool>> pending_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace lumora
