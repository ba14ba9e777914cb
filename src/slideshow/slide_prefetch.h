#pragma once

#include "nviewlib/nviewlib.h"

#include <QImage>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace lumora {

// Decodes the slide that comes next on a thread of its own while the current
// one is on screen, so that a step only has to swap pictures. What take()
// hands out is always what the decoder returns for the file as it is at that
// moment and for the need asked: a prefetched picture of another path or
// need, or of a file that changed since, is thrown away and the file decoded
// again.
//
// One consumer thread (the GUI) calls request/take/stop; the worker only
// decodes. The worker exists while requests come: stop() lets it end after the
// decode it may be in, without waiting for it; the destructor joins it.
class TSlidePrefetch {
public:
    using Decoder = std::function<PicturePart(const QString& path, const PictureNeed& need)>;

    explicit TSlidePrefetch(Decoder decode);
    ~TSlidePrefetch();
    TSlidePrefetch(const TSlidePrefetch&) = delete;
    TSlidePrefetch& operator=(const TSlidePrefetch&) = delete;

    // Starts decoding path in the background, replacing an earlier request
    // that was not taken (a decode already running for it is left to finish
    // and dropped).
    void request(const QString& path, const PictureNeed& need = PictureNeed::whole());

    // The picture of path: the prefetched one when it was made from the file
    // as it is now and for the same need, after waiting for it if the worker
    // is still decoding it; otherwise decoded on the calling thread.
    PicturePart take(const QString& path, const PictureNeed& need = PictureNeed::whole());

    // Forgets the request and its result; the worker ends once idle.
    void stop();

    struct Counts {
        int prefetched = 0;   // taken from the worker, done before the step came
        int waited = 0;       // taken from the worker after waiting for it
        int decodedHere = 0;  // decoded by take() itself
        int dropped = 0;      // worker results nobody took
    };
    Counts counts() const;
    // Whether the worker thread is alive (for shutdown checks).
    bool workerAlive() const;
    // Whether a finished picture of path is waiting to be taken.
    bool ready(const QString& path) const;

    // What a file looked like when it was read: equal stamps mean equal content.
    struct FileStamp {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0, changedNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp stampOf(const QString& path);

private:
    enum class State { Pending, Running, Done, Failed };
    struct Job {
        quint64 id = 0;
        QString path;
        PictureNeed need;
        State state = State::Pending;
        FileStamp stamp;
        PicturePart picture;
    };

    void run();
    PicturePart decodeHere(const QString& path, const PictureNeed& need);

    const Decoder decode_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;      // worker: a new job or stop
    std::condition_variable finished_;  // consumer: the running job is over
    std::optional<Job> job_;
    quint64 nextId_ = 1;
    bool stopping_ = false;
    bool exited_ = true;  // no live worker loop (set by the worker as it leaves)
    std::thread worker_;
    Counts counts_;
};

}  // namespace lumora
