#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

namespace lumora {

// Something that plays through the audio output.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Writes the next `frames` stereo frames (interleaved float at AudioOut::kRate)
    // to out. Runs on the output's thread. Returns false once the source has
    // reached its end; the output then drops it.
    virtual bool render(float* out, int frames) = 0;
};

// The program's one sound output, shared by every player: bare ALSA allows a
// single open device, so the players are mixed here. The device is open while
// something plays and is closed a moment after nothing does. When SDL has no
// working driver at all, a silent output takes its place that consumes sound
// at the wall clock's pace, so players run the same without sound.
class AudioOut {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    static AudioOut& instance();
    ~AudioOut();
    AudioOut(const AudioOut&) = delete;
    AudioOut& operator=(const AudioOut&) = delete;

    // Starts pulling the source, opening the output if it is closed.
    void start(AudioSource* source);
    // Once this returns the source is no longer pulled.
    void stop(AudioSource* source);

    // For tests and benchmarks: the driver in use ("none" for the silent
    // output, empty while closed), whether the output is open, how many
    // sources it pulls and how often it was opened so far.
    QString driver() const;
    bool isOpen() const;
    int sourceCount() const;
    int openings() const;

private:
    AudioOut();
    struct State;
    std::unique_ptr<State> d_;
};

// The play position of a source in frames of its own timeline. It moves by a
// chunk whenever the output takes one; in between it follows the wall clock
// (never past the chunk's end), so video timed against it runs smoothly.
class PlayClock {
public:
    void set(int64_t frame);
    // A chunk of `frames` starting at the current frame was just handed out.
    void advance(int64_t frames);
    // Nothing more is handed out for now: stand at the end of the last chunk.
    void hold();
    // Where playback stands now.
    int64_t now() const;
    // The end of what was handed out.
    int64_t end() const;

    static int64_t toMs(int64_t frame) { return frame * 1000 / AudioOut::kRate; }
    static int64_t toFrames(int64_t ms) { return ms * AudioOut::kRate / 1000; }

private:
    mutable std::mutex m_;
    int64_t start_ = 0;
    int64_t chunk_ = 0;
    std::chrono::steady_clock::time_point at_;
};

}  // namespace lumora
