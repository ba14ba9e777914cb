#pragma once

// The media back end: FFmpeg's decoders, FluidSynth's MIDI and SDL's sound
// output. The program loads it as liblumora-media.so at the first open; tests
// and benchmarks link it in and install it with useLinkedMediaBackend().

#include "platform/mci_stream.h"

#include <QStringList>

namespace lumora {

// Makes mci() use the linked back end instead of loading the module.
void useLinkedMediaBackend();

// The sound font MIDI files are rendered with: the set one, or when none is
// set (empty) the first General MIDI font found in the folders (default-GM.sf2,
// TimGM6mb.sf2, FluidR3_GM.sf2 in /usr/share/sounds/sf2 and
// /usr/share/soundfonts unless given). It is loaded once and kept; setting
// another drops it.
QString midiSoundFont();
QStringList midiSoundFontFolders();
void setMidiSoundFont(const QString& path, const QStringList& folders = midiSoundFontFolders());

namespace mci_internal {

const MediaBackend& linkedMediaBackend();

std::unique_ptr<Stream> openFfmpegStream(FileHandle file, const QString& path, ErrorSlot& errors,
                                         QWidget* display);
std::unique_ptr<Stream> openMidiStream(const QByteArray& bytes, const QString& path);

}  // namespace mci_internal
}  // namespace lumora
