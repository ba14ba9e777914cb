#include "slideshow/quick_slideshow_walk.h"

#include "base/file_name.h"
#include "ui/file_kinds.h"

namespace lumora {

const std::vector<FileListEntry>& QuickSlideshowWalk::entries() const {
    static const std::vector<FileListEntry> none;
    return entries_ ? *entries_ : none;
}

void QuickSlideshowWalk::examine(QStringList& playList, Clock::time_point deadline) {
    do {
        if (finished())
            return;
        const FileListEntry& entry = entries()[next_++];
        // The name decides first: a path is made only for a picture's name.
        if (!entry.directory && isSlideshowPicture(entry.name)) {
            const QString path = entry.path(folder_);
            if (isRegularFile(path))
                playList << path;
        }
    } while (Clock::now() < deadline);
}

int QuickSlideshowWalk::cursor() const {
    return count() == 0 ? -1 : int(qMin(next_, entries().size() - 1));
}

}  // namespace lumora
