#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace lumora {

// Lets a worker thread (a timer's, the sound output's) tell the thread that
// made the notice that something waits for it. post() never blocks and never
// allocates; the posts made before the owner's event loop gets to them run
// `notice` once, on the owner's thread. The workers must be stopped before the
// notice goes.
class ThreadNotice final : public QObject {
public:
    explicit ThreadNotice(std::function<void()> notice, QObject* parent = nullptr);
    ~ThreadNotice() override;
    ThreadNotice(const ThreadNotice&) = delete;
    ThreadNotice& operator=(const ThreadNotice&) = delete;

    // Any thread.
    void post();

private:
    void deliver();

    int fd_;
    QSocketNotifier* notifier_;
    std::function<void()> notice_;
};

}  // namespace lumora
