#include "sound/Sound.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

const QString kNoDevice = QStringLiteral("discavo_no_such_device");
const QString kNull = QStringLiteral("null");

class SoundTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        sound::setAlsaDevice(QString());
        sound::setSoundPlayer({});
    }
    QTemporaryDir dir;
};

TEST_F(SoundTest, RealPlayerByDeviceFileAndFlags)
{
    const QString garbage = dir.filePath("garbage.wav");
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF but not a sound at all");
    }
    const QString missing = dir.filePath("missing.wav");
    const QString chime = QStringLiteral(ZAVRO_WAV);

    struct Case {
        const char* what;
        QString device;
        QString file;
        quint32 flags;
        bool played;
    };
    const Case cases[] = {
        {"the chime", kNull, chime, SND_FILENAME, true},
        {"missing file: default tone", kNull, missing, SND_FILENAME, true},
        {"undecodable file: default tone", kNull, garbage, SND_FILENAME, true},
        {"missing file without default", kNull, missing, SND_FILENAME | SND_NODEFAULT, false},
        {"no device", kNoDevice, chime, SND_FILENAME, false},
        {"no device for the default tone", kNoDevice, missing, SND_FILENAME, false},
        {"asynchronous is not offered", kNull, chime, SND_FILENAME | SND_ASYNC, false},
        {"looping is not offered", kNull, chime, SND_FILENAME | SND_LOOP, false},
        {"aliases are not offered", kNull, chime, SND_ALIAS, false},
    };
    for (const Case& c : cases) {
        sound::setAlsaDevice(c.device);
        EXPECT_EQ(PlaySoundA(c.file, 0, c.flags), c.played) << c.what;
    }
}

TEST_F(SoundTest, ChimeIsAboutASecondOfAudible16BitPcm)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(ZAVRO_WAV, SFM_READ, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const double seconds = double(info.frames) / info.samplerate;
    EXPECT_GE(seconds, 0.8);
    EXPECT_LE(seconds, 1.5);
    std::vector<short> samples(std::size_t(info.frames) * std::size_t(info.channels));
    EXPECT_EQ(sf_readf_short(f, samples.data(), info.frames), info.frames);
    sf_close(f);
    const auto [lo, hi] = std::minmax_element(samples.begin(), samples.end());
    const int peak = std::max(-int(*lo), int(*hi));
    EXPECT_GT(peak, 32767 / 4);
    EXPECT_LT(peak, 32767); // not clipped
    EXPECT_LT(std::abs(samples.back()), 100); // fades out instead of stopping with a click
}

TEST_F(SoundTest, DefaultToneIsShortAndAudible)
{
    const sound::Pcm& tone = sound::defaultTone();
    ASSERT_GT(tone.rate, 0);
    ASSERT_GT(tone.channels, 0);
    const double seconds = double(tone.frames()) / tone.rate;
    EXPECT_GE(seconds, 0.05);
    EXPECT_LE(seconds, 0.5);
    const auto [lo, hi] = std::minmax_element(tone.samples.begin(), tone.samples.end());
    EXPECT_GT(std::max(-int(*lo), int(*hi)), 32767 / 8);
    EXPECT_LT(std::abs(tone.samples.front()), 100);
    EXPECT_LT(std::abs(tone.samples.back()), 100);
}

TEST_F(SoundTest, InstalledPlayerTakesEveryCallUntilRemoved)
{
    sound::setAlsaDevice(kNoDevice);
    std::vector<std::pair<QString, quint32>> calls;
    sound::setSoundPlayer([&calls](const QString& file, quint32 flags) {
        calls.emplace_back(file, flags);
        return true;
    });
    EXPECT_TRUE(PlaySoundA(QStringLiteral("/x/zavro.wav"), 0, SND_FILENAME));
    EXPECT_TRUE(PlaySoundA(QStringLiteral("/x/y.wav"), 7, SND_FILENAME | SND_ASYNC));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(QStringLiteral("/x/zavro.wav"), SND_FILENAME));
    EXPECT_EQ(calls[1], std::make_pair(QStringLiteral("/x/y.wav"), SND_FILENAME | SND_ASYNC));

    sound::setSoundPlayer({});
    EXPECT_FALSE(PlaySoundA(QStringLiteral(ZAVRO_WAV), 0, SND_FILENAME)); // the real player, no device
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(SoundTest, DeviceIsTheSetOneThenTheEnvironmentsThenDefault)
{
    const QByteArray saved = qgetenv("DISCAVO_ALSA_DEVICE");
    const bool had = qEnvironmentVariableIsSet("DISCAVO_ALSA_DEVICE");

    qunsetenv("DISCAVO_ALSA_DEVICE");
    EXPECT_EQ(sound::alsaDevice(), "default");
    qputenv("DISCAVO_ALSA_DEVICE", "null");
    EXPECT_EQ(sound::alsaDevice(), "null");
    sound::setAlsaDevice(QStringLiteral("hw:1"));
    EXPECT_EQ(sound::alsaDevice(), "hw:1");
    sound::setAlsaDevice(QString());
    EXPECT_EQ(sound::alsaDevice(), "null");

    if (had)
        qputenv("DISCAVO_ALSA_DEVICE", saved);
    else
        qunsetenv("DISCAVO_ALSA_DEVICE");
}

} // namespace
