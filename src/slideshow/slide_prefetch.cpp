#include "slideshow/slide_prefetch.h"

#include "base/file_name.h"

#include <sys/stat.h>
#include <utility>

namespace lumora {

TSlidePrefetch::TSlidePrefetch(Decoder decode) : decode_(std::move(decode)) {}

TSlidePrefetch::~TSlidePrefetch() {
    stop();
    if (worker_.joinable())
        worker_.join();
}

TSlidePrefetch::FileStamp TSlidePrefetch::stampOf(const QString& path) {
    FileStamp stamp;
    struct stat info {};
    if (::stat(encodeFileName(path).constData(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    stamp.size = qint64(info.st_size);
    // Change time too: a file put back with its old modification time still
    // gets a new one.
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changedNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}

void TSlidePrefetch::request(const QString& path, const PictureNeed& need) {
    PicturePart unused;  // an untaken picture is released outside the lock
    std::unique_lock lock(mutex_);
    if (job_ && job_->state == State::Done) {
        unused = std::move(job_->picture);
        ++counts_.dropped;
    }
    job_ = Job{nextId_++, path, need, State::Pending, {}, {}};
    stopping_ = false;
    if (exited_) {
        // The old loop has already left (exited_ is set as its last act), so
        // the join is immediate.
        if (worker_.joinable())
            worker_.join();
        exited_ = false;
        worker_ = std::thread(&TSlidePrefetch::run, this);
    }
    wake_.notify_one();
}

PicturePart TSlidePrefetch::decodeHere(const QString& path, const PictureNeed& need) {
    {
        std::lock_guard lock(mutex_);
        ++counts_.decodedHere;
    }
    return decode_(path, need);
}

PicturePart TSlidePrefetch::take(const QString& path, const PictureNeed& need) {
    std::unique_lock lock(mutex_);
    if (!job_ || job_->path != path || job_->need != need || job_->state == State::Pending) {
        // Nothing useful prepared. A pending job was never started, so taking
        // it back and decoding here costs no second decode.
        PicturePart unused;
        if (job_ && job_->state == State::Done) {
            unused = std::move(job_->picture);
            ++counts_.dropped;
        }
        job_.reset();
        lock.unlock();
        return decodeHere(path, need);
    }
    const bool waited = job_->state == State::Running;
    // Only this thread replaces the job, so it stays ours while we wait.
    finished_.wait(lock, [this] { return job_->state != State::Running; });
    Job job = std::move(*job_);
    job_.reset();
    lock.unlock();

    if (job.state == State::Failed || job.stamp != stampOf(path)) {
        {
            std::lock_guard relock(mutex_);
            ++counts_.dropped;
        }
        job.picture = PicturePart();
        return decodeHere(path, need);
    }
    std::lock_guard relock(mutex_);
    ++(waited ? counts_.waited : counts_.prefetched);
    return job.picture;
}

void TSlidePrefetch::stop() {
    PicturePart unused;
    std::lock_guard lock(mutex_);
    if (job_ && job_->state == State::Done) {
        unused = std::move(job_->picture);
        ++counts_.dropped;
    }
    job_.reset();
    stopping_ = true;
    wake_.notify_one();
}

TSlidePrefetch::Counts TSlidePrefetch::counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

bool TSlidePrefetch::workerAlive() const {
    std::lock_guard lock(mutex_);
    return !exited_;
}

bool TSlidePrefetch::ready(const QString& path) const {
    std::lock_guard lock(mutex_);
    return job_ && job_->path == path && job_->state == State::Done;
}

void TSlidePrefetch::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || (job_ && job_->state == State::Pending); });
        if (!job_ || job_->state != State::Pending) {
            exited_ = true;
            return;
        }
        job_->state = State::Running;
        const quint64 id = job_->id;
        const QString path = job_->path;
        const PictureNeed need = job_->need;
        lock.unlock();

        // Stamped before reading: a change during the decode shows as a
        // different stamp at take() and the picture is not used.
        const FileStamp stamp = stampOf(path);
        std::optional<PicturePart> image;
        try {
            image = decode_(path, need);
        } catch (...) {
            // take() decodes again on its own thread, where the error is shown.
        }

        lock.lock();
        if (job_ && job_->id == id) {
            job_->stamp = stamp;
            if (image) {
                job_->picture = std::move(*image);
                job_->state = State::Done;
            } else {
                job_->state = State::Failed;
            }
            finished_.notify_all();
        } else {
            ++counts_.dropped;
            lock.unlock();
            image.reset();
            lock.lock();
        }
    }
}

}  // namespace lumora
