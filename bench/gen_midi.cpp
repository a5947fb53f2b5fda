// Writes a deterministic format-0 MIDI song of about SECONDS seconds to
// standard output (eighth notes and the odd rest at 120 quarter notes a
// minute), for the WAV rendering benchmark. Plain C++ so the benchmark needs
// nothing else.
#include <cstdio>
#include <cstdlib>
#include <string>

static void varLen(std::string &out, unsigned long v)
{
    std::string bytes(1, char(v & 0x7F));
    while (v >>= 7)
        bytes.insert(bytes.begin(), char((v & 0x7F) | 0x80));
    out += bytes;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vltn_gen_midi SECONDS\n");
        return 2;
    }
    const long notes = std::atol(argv[1]) * 4; // 240 ticks each, 960 ticks a second
    unsigned seed = 12345;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7fff; };
    std::string track("\x00\xC0\x50", 3);
    for (long i = 0; i < notes; ++i) {
        const unsigned r = next();
        const bool rest = r % 17 == 0;
        const char key = rest ? 0x2A : char(48 + r % 48);
        track += std::string("\x00", 1) + char(rest ? 0x80 : 0x90) + key + char(rest ? 0 : 0x7F);
        varLen(track, 240);
        track += std::string("\x80", 1) + key + std::string("\x00", 1);
    }
    track += std::string("\x00\xFF\x2F\x00", 4);
    std::string file("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0MTrk", 18);
    for (int shift = 24; shift >= 0; shift -= 8)
        file += char((track.size() >> shift) & 0xFF);
    file += track;
    std::fwrite(file.data(), 1, file.size(), stdout);
    return 0;
}
