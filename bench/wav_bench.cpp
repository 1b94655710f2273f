// SPDX-License-Identifier: GPL-3.0-or-later
// Times saving and loading a 256 MB track as a WAV file, in one run on one file system, against
// plain write() calls of the same bytes and against `cp` of the saved file; prints each speed as
// a ratio to its reference (above 1 is faster than the reference).
//
// A save syncs its file to the disk and renames it over the target, so that a failure cannot
// destroy the file it replaces. Two write() references are therefore printed: write() alone,
// and the fair one, write() then fsync() and rename() as the save does.
#include "bench_clock.h"
#include "wav_file.h"
#include "wav_writer.h"

#include <fcntl.h>
#include <stdlib.h>  // mkdtemp
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using brenvik::Frame;

constexpr int kRuns = 3;

using bench::seconds;

bool writeAll(int fd, const void* bytes, size_t count)
{
    const auto* next = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t written = ::write(fd, next, count);
        if (written <= 0) {
            return false;
        }
        next += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// The file a save writes (a 44-byte header, then the track) by plain write() calls into a new
// file; when durable, synced and renamed over target as a save does.
bool writeReference(const std::string& target, std::span<const Frame> track, bool durable)
{
    const std::string written = durable ? target + ".part" : target;
    const int fd = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    const std::array<char, 44> header{};
    bool ok = writeAll(fd, header.data(), header.size()) &&
              writeAll(fd, track.data(), track.size_bytes());
    ok &= !durable || ::fsync(fd) == 0;
    ok &= ::close(fd) == 0;
    return ok && (!durable || ::rename(written.c_str(), target.c_str()) == 0);
}

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
    const std::string written = (dir / "written.wav").string();
    const std::string synced = (dir / "synced.wav").string();
    const std::string copied = (dir / "copied.wav").string();
    const std::string copy = "cp '" + saved + "' '" + copied + "'";
    const brenvik::DiagnosticLog log;

    double save = 1e30, write = 1e30, writeSynced = 1e30, cp = 1e30, load = 1e30;
    bool ok = true;
    for (int run = 0; run < kRuns; ++run) {
        for (const std::string& file : {saved, written, synced, copied}) {
            fs::remove(file);
        }
        // Each timing starts with the previous file's dirty pages on the disk.
        ::sync();
        write = std::min(write, seconds([&] { ok &= writeReference(written, track, false); }));
        ::sync();
        writeSynced =
            std::min(writeSynced, seconds([&] { ok &= writeReference(synced, track, true); }));
        ::sync();
        save = std::min(
            save, seconds([&] { ok &= brenvik::saveAsWave(saved.c_str(), track, log) == 0; }));
        ::sync();
        cp = std::min(cp, seconds([&] { ok &= std::system(copy.c_str()) == 0; }));
        load = std::min(load,
                        seconds([&] { ok &= brenvik::loadWave(copied.c_str(), track, log) == 0; }));
    }
    fs::remove_all(dir);
    if (!ok) {
        std::fprintf(stderr, "a save, write, copy or load failed\n");
        return 1;
    }
    std::printf(
        "%zu MB WAV file in %s: SaveAsWave %.1f ms, write() %.1f ms, write()+fsync()+rename() %.1f "
        "ms, cp %.1f ms\n",
        megabytes, dir.parent_path().c_str(), save * 1e3, write * 1e3, writeSynced * 1e3, cp * 1e3);
    std::printf("SaveAsWave speed / write()+fsync()+rename() speed: %.2f\n", writeSynced / save);
    std::printf("SaveAsWave speed / write() speed:                  %.2f\n", write / save);
    std::printf("LoadWave speed / cp speed:                         %.2f\n", cp / load);
    return 0;
}
