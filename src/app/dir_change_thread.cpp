#include "app/dir_change_thread.h"

#include "app/folder_tree.h"
#include "platform/dir_watch.h"

#include <QMetaObject>

namespace lumora {

TThDirChange::TThDirChange(TFolderTree* tree, quint64 node, const QString& folder)
    : node_(node), folder_(folder) {
    // A drive root keeps its "/"; any other folder is watched without one.
    while (folder_.size() > 1 && folder_.endsWith(u'/'))
        folder_.chop(1);
    auto pending = pending_;
    watchId_ = DirWatch::instance().add(folder_, [tree, node, pending] {
        if (pending->exchange(true))
            return;
        // Runs on the watch thread: hand over to the tree's thread and nothing more.
        QMetaObject::invokeMethod(
            tree, [tree, node] { tree->DirChanged(node); }, Qt::QueuedConnection);
    });
}

TThDirChange::~TThDirChange() {
    Terminate();
}

void TThDirChange::Terminate() {
    if (watchId_ == 0)
        return;
    DirWatch::instance().remove(watchId_);
    watchId_ = 0;
}

}  // namespace lumora
