#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <vector>

namespace lumora {

// The quick slideshow's walk over the file list as it was at launch: every
// entry is examined once, in list order, and each regular file named like a
// slideshow picture is appended to the play list. The list may be re-read
// while the walk goes on; the walk keeps to what it took.
class QuickSlideshowWalk {
public:
    struct Entry {
        QString text;  // as the list shows it
        QString path;  // empty for a folder entry
    };
    using Clock = std::chrono::steady_clock;

    QuickSlideshowWalk() = default;
    explicit QuickSlideshowWalk(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    // Examines entries, at least one, until the deadline has passed or none
    // is left, appending the slides to playList.
    void examine(QStringList& playList, Clock::time_point deadline);

    bool finished() const { return next_ >= entries_.size(); }
    // Where the walk is: the entry examined next, the last one once finished;
    // -1 for an empty list.
    int cursor() const;
    int count() const { return int(entries_.size()); }
    const Entry& entry(int index) const { return entries_[size_t(index)]; }

    // What becomes a slide: a regular file with a slideshow picture's extension.
    static bool isSlide(const QString& path);

private:
    std::vector<Entry> entries_;
    size_t next_ = 0;
};

}  // namespace lumora
