// Times saving and loading a 256 MB track as a WAV file against `cp` of the same file, in one
// run on one file system; prints each speed as a ratio to cp's (above 1 is faster than cp).
#include "bench_clock.h"
#include "wav_file.h"

#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using brenvik::Frame;

constexpr int kRuns = 3;

using bench::seconds;

}  // namespace

int main(int argc, char** argv)
{
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    std::vector<Frame> track(megabytes * 262144);
    for (size_t i = 0; i < track.size(); ++i) {
        track[i] = {static_cast<int16_t>(i), static_cast<int16_t>(i >> 16)};
    }
    std::string pattern = (fs::temp_directory_path() / "wav_bench.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    const std::string saved = (dir / "saved.wav").string();
    const std::string copied = (dir / "copied.wav").string();
    const std::string copy = "cp '" + saved + "' '" + copied + "'";
    const brenvik::DiagnosticLog log;

    double save = 1e30, cp = 1e30, load = 1e30;
    bool ok = true;
    for (int run = 0; run < kRuns; ++run) {
        fs::remove(saved);
        fs::remove(copied);
        save = std::min(save, seconds([&] { ok &= brenvik::saveAsWave(saved.c_str(), track, log) == 0; }));
        cp = std::min(cp, seconds([&] { ok &= std::system(copy.c_str()) == 0; }));
        load = std::min(load, seconds([&] { ok &= brenvik::loadWave(copied.c_str(), track, log) == 0; }));
    }
    fs::remove_all(dir);
    if (!ok) {
        std::fprintf(stderr, "a save, copy or load failed\n");
        return 1;
    }
    std::printf("%zu MB WAV file in %s; cp took %.1f ms\n", megabytes, dir.parent_path().c_str(), cp * 1e3);
    std::printf("SaveAsWave speed / cp speed: %.2f\n", cp / save);
    std::printf("LoadWave speed / cp speed:   %.2f\n", cp / load);
    return 0;
}
