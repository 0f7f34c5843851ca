#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

// PlaySoundA flags. Only file playback, synchronous, is offered: the program
// plays its exit sound that way and nothing else.
constexpr quint32 SND_SYNC = 0x0000;
constexpr quint32 SND_ASYNC = 0x0001;
constexpr quint32 SND_NODEFAULT = 0x0002;
constexpr quint32 SND_MEMORY = 0x0004;
constexpr quint32 SND_LOOP = 0x0008;
constexpr quint32 SND_NOSTOP = 0x0010;
constexpr quint32 SND_PURGE = 0x0040;
constexpr quint32 SND_APPLICATION = 0x0080;
constexpr quint32 SND_NOWAIT = 0x00002000;
constexpr quint32 SND_ALIAS = 0x00010000;
constexpr quint32 SND_FILENAME = 0x00020000;
constexpr quint32 SND_RESOURCE = 0x00040004;

// Plays a sound file and returns when it has finished. A file that cannot be
// opened or decoded plays a short default tone instead, unless SND_NODEFAULT is
// given. Returns false when nothing could be played: no sound device (this
// fails at once, it never waits for a device), or a flag asking for something
// not offered here (asynchronous, looping, memory images, aliases, resources).
// An empty name stops nothing (no sound is ever left playing) and succeeds.
// The module handle is not used.
bool PlaySoundA(const QString& soundName, quintptr module, quint32 flags);

namespace sound {

// Replaces the real player; PlaySoundA then hands it the file and flags and
// returns its answer. An empty function restores the real player.
void setSoundPlayer(std::function<bool(const QString& file, quint32 flags)> player);

// The ALSA playback device: the one set here, else $DISCAVO_ALSA_DEVICE, else
// "default". An empty name returns to that choice.
void setAlsaDevice(const QString& device);
QString alsaDevice();

// Interleaved 16-bit samples.
struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<qint16> samples;
    qint64 frames() const { return channels > 0 ? qint64(samples.size()) / channels : 0; }
};

// The tone played in place of a file that cannot be played.
const Pcm& defaultTone();

} // namespace sound
