// Writes a deterministic H-MML song of N lines to standard output, for the
// compile benchmark. Plain C++ so the benchmark needs nothing else.
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vltn_gen_hmml LINES\n");
        return 2;
    }
    const long lines = std::atol(argv[1]);
    static const char *const names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    unsigned seed = 12345;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7fff; };
    std::printf("C-TITLE:Benchmark\r\nC-TEMPO:120\r\n");
    for (long i = 2; i < lines; ++i) {
        const unsigned r = next();
        if (i % 1000 == 0)
            std::printf("C-TEMPO:%u\r\n", 60 + r % 120);
        else if (r % 17 == 0)
            std::printf("%u * ' rest\r\n", 1 + r % 16);
        else
            std::printf("%u %s %u\r\n", 1 + (r >> 4) % 16, names[r % 12], 1 + (r >> 8) % 4);
    }
    return 0;
}
