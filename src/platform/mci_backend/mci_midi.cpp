// MIDI files: our reader's events played on a FluidSynth synthesizer that we
// render ourselves, in step with the shared output.

#include "platform/mci.h"
#include "platform/mci_backend/backend.h"
#include "platform/midi_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fluidsynth.h>

#include <algorithm>
#include <vector>

namespace lumora {

namespace {

constexpr double kGain = 0.5;

// Where distributions put General MIDI sound fonts, and the fonts looked for:
// the alternative "default-GM.sf2" (Debian's choice of font), then the fonts
// of the timgm6mb and fluid-soundfont packages.
const QStringList kFontFolders{QStringLiteral("/usr/share/sounds/sf2"),
                               QStringLiteral("/usr/share/soundfonts")};
const QStringList kFontNames{QStringLiteral("default-GM.sf2"), QStringLiteral("TimGM6mb.sf2"),
                             QStringLiteral("FluidR3_GM.sf2")};

struct Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
};

// Loading the sound font takes a noticeable moment, so synthesizers are kept
// for the run and handed to the next MIDI device once one is closed.
class SynthPool {
public:
    static SynthPool& instance() {
        static SynthPool pool;
        return pool;
    }

    ~SynthPool() {
        for (const Synth& s : idle_)
            destroy(s);
    }

    QString soundFont() const {
        std::lock_guard lock(m_);
        return fixed_;
    }
    QStringList folders() const {
        std::lock_guard lock(m_);
        return folders_;
    }

    void setSoundFont(const QString& path, const QStringList& folders) {
        std::vector<Synth> dropped;
        {
            std::lock_guard lock(m_);
            fixed_ = path;
            folders_ = folders;
            dropped.swap(idle_);
        }
        for (const Synth& s : dropped)
            destroy(s);
    }

    // A synthesizer with the sound font loaded; raises when there is none.
    Synth acquire(const QString& file) {
        QString fixed;
        QStringList folders;
        {
            std::lock_guard lock(m_);
            if (!idle_.empty()) {
                const Synth s = idle_.back();
                idle_.pop_back();
                return s;
            }
            fixed = fixed_;
            folders = folders_;
        }
        Synth s;
        s.settings = new_fluid_settings();
        if (s.settings) {
            fluid_settings_setnum(s.settings, "synth.sample-rate", AudioOut::kRate);
            fluid_settings_setnum(s.settings, "synth.gain", kGain);
            s.synth = new_fluid_synth(s.settings);
        }
        // The first font that loads: a damaged one is passed over.
        if (s.synth)
            for (const QString& font : fixed.isEmpty() ? candidates(folders) : QStringList{fixed})
                if (QFileInfo(font).isFile() &&
                    fluid_synth_sfload(s.synth, QFile::encodeName(font).constData(), 1) != -1)
                    return s;
        destroy(s);
        if (!fixed.isEmpty())
            throw EMciError::noSoundFont(file, QStringLiteral("%1 cannot be loaded").arg(fixed));
        QStringList shown;
        for (const QString& folder : folders)
            shown << (folder.endsWith(u'/') ? folder : folder + u'/');
        throw EMciError::noSoundFont(file, QStringLiteral("none of %1 in %2")
                                               .arg(kFontNames.join(QStringLiteral(", ")),
                                                    shown.join(QStringLiteral(" or "))));
    }

    void release(const Synth& s) {
        fluid_synth_system_reset(s.synth);
        std::lock_guard lock(m_);
        idle_.push_back(s);
    }

private:
    SynthPool() {
        // FluidSynth reports to stderr by default; failures reach the user as
        // open errors instead.
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    }

    // The General MIDI fonts Debian and others install, the system's choice first.
    static QStringList candidates(const QStringList& folders) {
        QStringList fonts;
        for (const QString& name : kFontNames)
            for (const QString& folder : folders)
                fonts << QDir(folder).filePath(name);
        return fonts;
    }

    static void destroy(const Synth& s) {
        if (s.synth)
            delete_fluid_synth(s.synth);
        if (s.settings)
            delete_fluid_settings(s.settings);
    }

    mutable std::mutex m_;
    QString fixed_;  // empty: the first of the candidates
    QStringList folders_ = kFontFolders;
    std::vector<Synth> idle_;
};

struct TimedEvent {
    int64_t frame;
    midi::Event event;
};

class MidiStream final : public mci_internal::Stream {
public:
    MidiStream(const midi::Song& song, Synth synth) : synth_(synth) {
        events_.reserve(song.events.size());
        for (const midi::Event& e : song.events)
            events_.push_back({e.micros * AudioOut::kRate / 1000000, e});
        // Rounded up, so that no event lies beyond the end.
        length_ = int((song.lengthMicros + 999) / 1000);
        endFrame_ = PlayClock::toFrames(length_);
    }

    ~MidiStream() override { SynthPool::instance().release(synth_); }

    bool render(float* out, int frames) override {
        std::lock_guard lock(m_);
        int done = 0;
        while (done < frames) {
            while (next_ < events_.size() && events_[next_].frame <= cursor_)
                apply(events_[next_++].event);
            if (cursor_ >= endFrame_) {
                clock_.advance(done);
                ended_ = true;
                return false;
            }
            int64_t until = endFrame_;
            if (next_ < events_.size())
                until = std::min(until, events_[next_].frame);
            const int n = int(std::min<int64_t>(frames - done, until - cursor_));
            float* at = out + size_t(done) * AudioOut::kChannels;
            fluid_synth_write_float(synth_.synth, n, at, 0, 2, at, 1, 2);
            cursor_ += n;
            done += n;
        }
        clock_.advance(frames);
        return true;
    }

    void seek(int ms, bool) override {
        std::lock_guard lock(m_);
        cursor_ = std::min(PlayClock::toFrames(ms), endFrame_);
        placeAt(ms);
        // Silence, then replay what sets up the channels (programs,
        // controllers, bends) so that the music goes on as it would have.
        fluid_synth_system_reset(synth_.synth);
        next_ = 0;
        for (; next_ < events_.size() && events_[next_].frame < cursor_; ++next_) {
            const uint8_t kind = events_[next_].event.status & 0xF0;
            if (kind != 0x80 && kind != 0x90 && kind != 0xA0)
                apply(events_[next_].event);
        }
    }

private:
    void apply(const midi::Event& e) {
        const int channel = e.status & 0x0F;
        fluid_synth_t* s = synth_.synth;
        switch (e.status & 0xF0) {
            case 0x80:
                fluid_synth_noteoff(s, channel, e.data1);
                break;
            case 0x90:
                fluid_synth_noteon(s, channel, e.data1, e.data2);
                break;
            case 0xA0:
                fluid_synth_key_pressure(s, channel, e.data1, e.data2);
                break;
            case 0xB0:
                fluid_synth_cc(s, channel, e.data1, e.data2);
                break;
            case 0xC0:
                fluid_synth_program_change(s, channel, e.data1);
                break;
            case 0xD0:
                fluid_synth_channel_pressure(s, channel, e.data1);
                break;
            case 0xE0:
                fluid_synth_pitch_bend(s, channel, e.data1 | e.data2 << 7);
                break;
        }
    }

    std::mutex m_;
    Synth synth_;
    std::vector<TimedEvent> events_;
    int64_t endFrame_ = 0;
    int64_t cursor_ = 0;
    size_t next_ = 0;
};

}  // namespace

std::unique_ptr<mci_internal::Stream> mci_internal::openMidiStream(const QByteArray& bytes,
                                                                   const QString& path) {
    std::optional<midi::Song> song = midi::parse(bytes);
    if (!song)
        throw EMciError::notMediaFile(path);
    return std::make_unique<MidiStream>(*song, SynthPool::instance().acquire(path));
}

QString midiSoundFont() {
    return SynthPool::instance().soundFont();
}

QStringList midiSoundFontFolders() {
    return SynthPool::instance().folders();
}

void setMidiSoundFont(const QString& path, const QStringList& folders) {
    SynthPool::instance().setSoundFont(path, folders);
}

}  // namespace lumora
