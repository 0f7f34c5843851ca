// Writes the exit chime: two bell strokes, a high one and a lower one, one
// second in all, 44.1 kHz mono 16-bit PCM.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = kRate; // one second

struct Stroke {
    double start; // seconds
    double pitch; // Hz
    double loudness;
};

// Bell-like partials: inharmonic overtones that die away faster than the fundamental.
double bell(double t, double pitch)
{
    struct Partial {
        double ratio, amplitude, decay;
    };
    static const Partial partials[] = {{1.0, 1.0, 3.5}, {2.76, 0.45, 6.0}, {5.40, 0.22, 10.0}, {8.93, 0.10, 16.0}};
    double v = 0;
    for (const Partial& p : partials)
        v += p.amplitude * std::exp(-p.decay * t) * std::sin(2.0 * M_PI * pitch * p.ratio * t);
    return v;
}

void put16(std::FILE* f, std::uint16_t v)
{
    const unsigned char b[2] = {static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

void put32(std::FILE* f, std::uint32_t v)
{
    put16(f, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(f, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.wav\n", argv[0]);
        return 2;
    }
    const Stroke strokes[] = {{0.0, 1318.5, 1.0}, {0.30, 987.8, 0.9}};
    std::vector<double> mix(kFrames, 0.0);
    double peak = 0;
    for (int i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        for (const Stroke& s : strokes)
            if (t >= s.start)
                mix[i] += s.loudness * bell(t - s.start, s.pitch);
        // A soft attack and a fade over the last tenth of a second.
        const double attack = std::min(1.0, t / 0.004);
        const double release = std::min(1.0, (1.0 - t) / 0.1);
        mix[i] *= attack * release;
        peak = std::max(peak, std::fabs(mix[i]));
    }

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const std::uint32_t dataBytes = kFrames * 2;
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1); // PCM
    put16(f, 1); // mono
    put32(f, kRate);
    put32(f, kRate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
    for (double v : mix)
        put16(f, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v / peak * 0.7 * 32767.0))));
    const bool ok = std::fflush(f) == 0 && !std::ferror(f);
    return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
