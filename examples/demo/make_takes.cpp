// Writes the demo's recorded answers: short 8 kHz 16-bit mono WAV files of
// beeps, one beep per take number, pitched by the file's name so that two
// records sound different.
//   make_demo_takes DIR NAME.wav...
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 8000;

void put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

// The take number: the digits before ".wav".
int take_of(const std::string& name) {
    std::size_t end = name.rfind(".wav");
    std::size_t start = end;
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
    return start == end ? 1 : std::stoi(name.substr(start, end - start));
}

std::vector<std::int16_t> beeps(int count, double pitch) {
    std::vector<std::int16_t> samples;
    const int beep = kRate / 4, gap = kRate / 8;
    for (int b = 0; b < count; ++b) {
        for (int i = 0; i < beep; ++i) {
            // A short fade at both ends keeps the beep from clicking.
            const double fade = std::min({1.0, i / 200.0, (beep - i) / 200.0});
            const double t = static_cast<double>(i) / kRate;
            samples.push_back(static_cast<std::int16_t>(9000 * fade * std::sin(2 * std::numbers::pi * pitch * t)));
        }
        samples.insert(samples.end(), gap, 0);
    }
    return samples;
}

std::string wav(const std::vector<std::int16_t>& samples) {
    const auto data_bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    put32(out, 36 + data_bytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, kRate);
    put32(out, kRate * 2);
    put16(out, 2);
    put16(out, 16);
    out += "data";
    put32(out, data_bytes);
    for (std::int16_t s : samples) put16(out, static_cast<std::uint16_t>(s));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_demo_takes DIR NAME.wav...\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string name = argv[i];
        unsigned sum = 0;
        for (char c : name.substr(0, name.rfind('_'))) sum = sum * 31 + static_cast<unsigned char>(c);
        const double pitch = 440.0 + (sum % 8) * 55.0;
        std::ofstream file(dir + "/" + name, std::ios::binary);
        file << wav(beeps(std::min(take_of(name), 9), pitch));
        if (!file) {
            std::fprintf(stderr, "make_demo_takes: cannot write %s/%s\n", dir.c_str(), name.c_str());
            return 1;
        }
    }
    return 0;
}
