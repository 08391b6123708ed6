// Writes the default alert sound: a short, soft two-tone blip, so no binary file has to be
// kept in the source tree. Usage: blipgen <output.wav>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int SampleRate = 44100;
constexpr double ToneSeconds = 0.30;
// The player drops roughly the last 0.1 s of a sound, so the tone is followed by silence.
constexpr double TrailingSilenceSeconds = 0.20;
constexpr double Peak = 0.70; // of full scale

void put16(std::ofstream &out, std::uint16_t v)
{
    const char bytes[] = {char(v & 0xff), char(v >> 8)};
    out.write(bytes, 2);
}

void put32(std::ofstream &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.put(char((v >> (8 * i)) & 0xff));
}

std::vector<std::int16_t> samples()
{
    const int tone = int(ToneSeconds * SampleRate);
    const int total = tone + int(TrailingSilenceSeconds * SampleRate);
    std::vector<std::int16_t> out(std::size_t(total), 0);
    const double attack = 0.012 * SampleRate;
    const double release = 0.060 * SampleRate;
    for (int i = 0; i < tone; ++i) {
        const double t = double(i) / SampleRate;
        // Soft fades at both ends so the speakers never click.
        double envelope = 1.0;
        if (i < attack)
            envelope = std::sin(0.5 * std::numbers::pi * i / attack);
        else if (i > tone - release)
            envelope = std::sin(0.5 * std::numbers::pi * (tone - i) / release);
        envelope *= std::exp(-2.5 * t); // a bell-like decay
        const double wave = 0.8 * std::sin(2 * std::numbers::pi * 880.0 * t)
                            + 0.2 * std::sin(2 * std::numbers::pi * 1760.0 * t);
        out[std::size_t(i)] = std::int16_t(std::lround(32767.0 * Peak * envelope * wave));
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.wav>\n", argv[0]);
        return 2;
    }
    const std::vector<std::int16_t> data = samples();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    const auto dataBytes = std::uint32_t(data.size() * sizeof(std::int16_t));
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, SampleRate);
    put32(out, SampleRate * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, dataBytes);
    for (std::int16_t s : data)
        put16(out, std::uint16_t(s));
    out.close();
    if (!out) {
        std::fprintf(stderr, "blipgen: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
