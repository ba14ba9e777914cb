#include "platform/audio_out.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <thread>
#include <vector>

namespace lumora {

using Clock = std::chrono::steady_clock;

namespace {
constexpr int kChunkFrames = 1024;
// Closing and reopening costs tens of milliseconds with real drivers; a pause
// followed by play (a seek from a scroll bar) should not pay it.
constexpr auto kLinger = std::chrono::milliseconds(250);
constexpr auto kChunkTime =
    std::chrono::microseconds(int64_t(kChunkFrames) * 1000000 / AudioOut::kRate);
}  // namespace

struct AudioOut::State {
    // Taken by the output thread: keep it short.
    mutable std::mutex mix;
    std::vector<AudioSource*> sources;
    std::vector<float> scratch;
    std::atomic<int64_t> busyAt{0};  // last time a source was pulled (steady ns)

    // Opening, closing and the closer thread.
    mutable std::mutex control;
    std::condition_variable controlCv;
    bool sdlTried = false;
    bool sdlReady = false;
    SDL_AudioDeviceID device = 0;
    bool open = false;
    bool quit = false;
    QString driver;
    int openings = 0;
    std::thread closer;

    // The silent output used when SDL has no driver.
    std::mutex silentMutex;
    std::condition_variable silentCv;
    bool silentRun = false;
    std::thread silent;

    static int64_t nowNs() { return Clock::now().time_since_epoch().count(); }

    void pull(float* out, int frames) {
        const size_t samples = size_t(frames) * kChannels;
        std::fill(out, out + samples, 0.0f);
        std::lock_guard lock(mix);
        if (sources.empty())
            return;
        busyAt = nowNs();
        if (scratch.size() < samples)
            scratch.resize(samples);
        for (size_t i = 0; i < sources.size();) {
            std::fill(scratch.begin(), scratch.begin() + samples, 0.0f);
            const bool more = sources[i]->render(scratch.data(), frames);
            for (size_t s = 0; s < samples; ++s)
                out[s] += scratch[s];
            if (more)
                ++i;
            else
                sources.erase(sources.begin() + i);
        }
        for (size_t s = 0; s < samples; ++s)
            out[s] = std::clamp(out[s], -1.0f, 1.0f);
    }

    static void SDLCALL sdlCallback(void* user, Uint8* stream, int bytes) {
        auto* state = static_cast<State*>(user);
        state->pull(reinterpret_cast<float*>(stream),
                    bytes / int(sizeof(float) * AudioOut::kChannels));
    }

    void silentLoop() {
        std::vector<float> buffer(size_t(kChunkFrames) * kChannels);
        auto next = Clock::now();
        std::unique_lock lock(silentMutex);
        while (silentRun) {
            lock.unlock();
            pull(buffer.data(), kChunkFrames);
            lock.lock();
            next += kChunkTime;
            silentCv.wait_until(lock, next, [this] { return !silentRun; });
        }
    }

    // With control held.
    void openOutput() {
        if (!sdlTried) {
            sdlTried = true;
            // SDL reports to stderr; a missing driver is not worth a line.
            SDL_LogSetOutputFunction([](void*, int, SDL_LogPriority, const char*) {}, nullptr);
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            sdlReady = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        }
        if (sdlReady) {
            SDL_AudioSpec want{};
            want.freq = kRate;
            want.format = AUDIO_F32SYS;
            want.channels = kChannels;
            want.samples = kChunkFrames;
            want.callback = &State::sdlCallback;
            want.userdata = this;
            SDL_AudioSpec have{};
            device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        }
        if (device) {
            driver = QString::fromUtf8(SDL_GetCurrentAudioDriver());
            SDL_PauseAudioDevice(device, 0);
        } else {
            driver = QStringLiteral("none");
            std::lock_guard lock(silentMutex);
            silentRun = true;
            silent = std::thread([this] { silentLoop(); });
        }
        open = true;
        ++openings;
        controlCv.notify_all();
    }

    // With control held; mix must not be held (the output thread may need it
    // to finish its last chunk).
    void closeOutput() {
        if (device) {
            SDL_CloseAudioDevice(device);
            device = 0;
        } else {
            {
                std::lock_guard lock(silentMutex);
                silentRun = false;
            }
            silentCv.notify_all();
            silent.join();
        }
        open = false;
        driver.clear();
    }

    bool idle() const {
        std::lock_guard lock(mix);
        return sources.empty() && nowNs() - busyAt >= std::chrono::nanoseconds(kLinger).count();
    }

    // Closes the output once it has had nothing to play for a while. Sources
    // that end on the output thread cannot close it themselves.
    void closerLoop() {
        std::unique_lock lock(control);
        while (!quit) {
            if (!open) {
                controlCv.wait(lock);
                continue;
            }
            controlCv.wait_for(lock, kLinger);
            if (open && !quit && idle())
                closeOutput();
        }
    }
};

AudioOut& AudioOut::instance() {
    static AudioOut out;
    return out;
}

AudioOut::AudioOut() : d_(std::make_unique<State>()) {
    d_->closer = std::thread([this] { d_->closerLoop(); });
}

AudioOut::~AudioOut() {
    {
        std::lock_guard lock(d_->control);
        d_->quit = true;
        if (d_->open)
            d_->closeOutput();
    }
    d_->controlCv.notify_all();
    d_->closer.join();
    if (d_->sdlReady)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioOut::start(AudioSource* source) {
    std::lock_guard lock(d_->control);
    {
        std::lock_guard mixLock(d_->mix);
        if (std::find(d_->sources.begin(), d_->sources.end(), source) != d_->sources.end())
            return;
        d_->sources.push_back(source);
        d_->busyAt = State::nowNs();
    }
    if (!d_->open)
        d_->openOutput();
}

void AudioOut::stop(AudioSource* source) {
    std::lock_guard lock(d_->mix);
    std::erase(d_->sources, source);
}

QString AudioOut::driver() const {
    std::lock_guard lock(d_->control);
    return d_->driver;
}

bool AudioOut::isOpen() const {
    std::lock_guard lock(d_->control);
    return d_->open;
}

int AudioOut::sourceCount() const {
    std::lock_guard lock(d_->mix);
    return int(d_->sources.size());
}

int AudioOut::openings() const {
    std::lock_guard lock(d_->control);
    return d_->openings;
}

}  // namespace lumora
