#include "sound/Sound.h"

#include <QFile>

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

namespace sound {

namespace {

std::function<bool(const QString&, quint32)>& player()
{
    static std::function<bool(const QString&, quint32)> p;
    return p;
}

QString& deviceOverride()
{
    static QString d;
    return d;
}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// How long a write may wait for the device to take more samples before the
// device counts as stalled.
constexpr int kStallMs = 2000;

class PcmDevice {
public:
    ~PcmDevice()
    {
        if (handle_)
            snd_pcm_close(handle_);
    }

    // Non-blocking open: a device held by another program fails instead of waiting.
    bool open(int rate, int channels)
    {
        static std::once_flag once;
        std::call_once(once, [] { snd_lib_error_set_handler(quietAlsa); });
        const QByteArray name = alsaDevice().toLocal8Bit();
        if (snd_pcm_open(&handle_, name.constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            handle_ = nullptr;
            return false;
        }
        rate_ = rate;
        return snd_pcm_set_params(handle_, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(channels),
                                  unsigned(rate), 1, 200000)
            == 0;
    }

    bool write(const qint16* data, qint64 frames, int channels)
    {
        auto lastProgress = std::chrono::steady_clock::now();
        while (frames > 0) {
            if (std::chrono::steady_clock::now() - lastProgress > std::chrono::milliseconds(kStallMs))
                return false;
            const snd_pcm_sframes_t n = snd_pcm_writei(handle_, data, snd_pcm_uframes_t(frames));
            if (n == -EAGAIN || n == 0) {
                const int ready = snd_pcm_wait(handle_, kStallMs);
                if (ready == 0)
                    return false;
                if (ready < 0 && snd_pcm_recover(handle_, ready, 1) < 0)
                    return false;
                continue;
            }
            if (n < 0) {
                if (snd_pcm_recover(handle_, int(n), 1) < 0)
                    return false;
                continue;
            }
            data += n * channels;
            frames -= n;
            lastProgress = std::chrono::steady_clock::now();
        }
        return true;
    }

    // Waits until what was written has been heard, within the time it should take.
    bool drain()
    {
        snd_pcm_sframes_t pending = 0;
        if (snd_pcm_delay(handle_, &pending) < 0)
            pending = 0;
        const auto deadline = std::chrono::steady_clock::now()
            + std::chrono::milliseconds(qint64(pending) * 1000 / std::max(rate_, 1) + kStallMs);
        const int rc = snd_pcm_drain(handle_);
        if (rc == 0)
            return true;
        if (rc != -EAGAIN)
            return false;
        while (snd_pcm_state(handle_) == SND_PCM_STATE_DRAINING) {
            if (std::chrono::steady_clock::now() > deadline) {
                snd_pcm_drop(handle_);
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            // Plugins move on from draining only when asked where they are.
            snd_pcm_avail_update(handle_);
        }
        return true;
    }

private:
    snd_pcm_t* handle_ = nullptr;
    int rate_ = 0;
};

bool playPcm(const Pcm& pcm)
{
    PcmDevice device;
    return device.open(pcm.rate, pcm.channels) && device.write(pcm.samples.data(), pcm.frames(), pcm.channels)
        && device.drain();
}

class SoundFile {
public:
    explicit SoundFile(const QString& path)
    {
        file_ = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info_);
        if (file_ && (info_.channels < 1 || info_.channels > 8 || info_.samplerate < 1)) {
            sf_close(file_);
            file_ = nullptr;
        }
    }
    ~SoundFile()
    {
        if (file_)
            sf_close(file_);
    }
    bool isOpen() const { return file_ != nullptr; }

    // Decodes and plays in pieces, so a long file never has to fit in memory.
    bool play()
    {
        PcmDevice device;
        if (!device.open(info_.samplerate, info_.channels))
            return false;
        constexpr sf_count_t kChunkFrames = 4096;
        std::vector<qint16> chunk(std::size_t(kChunkFrames) * std::size_t(info_.channels));
        for (;;) {
            const sf_count_t got = sf_readf_short(file_, chunk.data(), kChunkFrames);
            if (got <= 0)
                break;
            if (!device.write(chunk.data(), got, info_.channels))
                return false;
        }
        return device.drain();
    }

private:
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
};

bool playFile(const QString& file, quint32 flags)
{
    constexpr quint32 kNotOffered = SND_ASYNC | SND_LOOP | SND_MEMORY | SND_ALIAS | SND_RESOURCE;
    if (flags & kNotOffered)
        return false;
    if (file.isEmpty())
        return true;
    SoundFile sound(file);
    if (sound.isOpen())
        return sound.play();
    if (flags & SND_NODEFAULT)
        return false;
    return playPcm(defaultTone());
}

} // namespace

void setSoundPlayer(std::function<bool(const QString& file, quint32 flags)> p) { player() = std::move(p); }

void setAlsaDevice(const QString& device) { deviceOverride() = device; }

QString alsaDevice()
{
    if (!deviceOverride().isEmpty())
        return deviceOverride();
    const QString env = qEnvironmentVariable("DISCAVO_ALSA_DEVICE");
    return env.isEmpty() ? QStringLiteral("default") : env;
}

const Pcm& defaultTone()
{
    static const Pcm tone = [] {
        // A quarter-second A5 beep with short fades, so it starts and stops without a click.
        Pcm p;
        p.rate = 22050;
        p.channels = 1;
        const int frames = p.rate / 4;
        const int fade = p.rate / 100;
        p.samples.resize(std::size_t(frames));
        for (int i = 0; i < frames; ++i) {
            const double envelope = std::min({1.0, double(i) / fade, double(frames - 1 - i) / fade});
            const double value = std::sin(2.0 * M_PI * 880.0 * i / p.rate) * envelope * 0.4;
            p.samples[std::size_t(i)] = qint16(std::lround(value * 32767.0));
        }
        return p;
    }();
    return tone;
}

} // namespace sound

bool PlaySoundA(const QString& soundName, quintptr module, quint32 flags)
{
    (void)module;
    if (sound::player())
        return sound::player()(soundName, flags);
    return sound::playFile(soundName, flags);
}
