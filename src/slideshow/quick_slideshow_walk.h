#pragma once

#include "ui/file_mask.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <vector>

namespace lumora {

// The quick slideshow's walk over the file list as it was at launch: every
// entry is examined once, in list order, and each regular file named like a
// slideshow picture is appended to the play list (a folder or a pipe with a
// picture's name is not). The list may be re-read while the walk goes on;
// the walk keeps to what it took.
class QuickSlideshowWalk {
public:
    using Clock = std::chrono::steady_clock;

    QuickSlideshowWalk() = default;
    // The list's own entries, shared: taking them costs nothing, even for
    // 100,000.
    QuickSlideshowWalk(QString folder, std::shared_ptr<const std::vector<FileListEntry>> entries)
        : folder_(std::move(folder)), entries_(std::move(entries)) {}

    // Examines entries, at least one, until the deadline has passed or none
    // is left, appending the slides to playList.
    void examine(QStringList& playList, Clock::time_point deadline);

    bool finished() const { return next_ >= entries().size(); }
    // Where the walk is: the entry examined next, the last one once finished;
    // -1 for an empty list.
    int cursor() const;
    int count() const { return int(entries().size()); }
    // The entry at index as the list shows it.
    QString text(int index) const { return entries()[size_t(index)].text(); }

private:
    const std::vector<FileListEntry>& entries() const;

    QString folder_;
    std::shared_ptr<const std::vector<FileListEntry>> entries_;
    size_t next_ = 0;
};

}  // namespace lumora
