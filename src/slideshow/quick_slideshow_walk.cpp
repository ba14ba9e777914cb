#include "slideshow/quick_slideshow_walk.h"

#include "base/file_name.h"
#include "ui/file_kinds.h"

namespace lumora {

bool QuickSlideshowWalk::isSlide(const QString& path) {
    // The name decides; the file system is asked only about names that pass,
    // so that a folder or a pipe named like a picture never becomes a slide.
    return !path.isEmpty() && isSlideshowPicture(path) && isRegularFile(path);
}

void QuickSlideshowWalk::examine(QStringList& playList, Clock::time_point deadline) {
    do {
        if (finished())
            return;
        const Entry& entry = entries_[next_++];
        if (isSlide(entry.path))
            playList << entry.path;
    } while (Clock::now() < deadline);
}

int QuickSlideshowWalk::cursor() const {
    return entries_.empty() ? -1 : int(qMin(next_, entries_.size() - 1));
}

}  // namespace lumora
