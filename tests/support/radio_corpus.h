// SPDX-License-Identifier: GPL-3.0-or-later
// The radio-like takes that tests/editor/radio_corpus.py and music_radio_corpus.py write, and how
// well the song finder does on them: for each take, the last song it finds beside the known one,
// and whether each edge lies within the take's tolerance. The corpus tests and the Select Song
// benchmark share it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "plain_number.h"
#include "song_finder.h"

namespace radio_corpus {

namespace fs = std::filesystem;

struct Case {
    std::string name;
    std::string kind;             // how the songs are joined (pause, talk, crossfade, ...), or none
    std::optional<double> start;  // the last complete song's edges, in seconds
    std::optional<double> end;
    std::string group = "target";  // "reported" cases are listed, with no tolerance to meet
    std::string part = "-";        // "tune" or "judge": the music-radio takes' two halves
    double overlapBefore = 0;      // the crossfades at the song's edges, in seconds
    double overlapAfter = 0;
    double startTolerance = 1.0;  // seconds either side of each edge
    double endTolerance = 1.0;
    std::vector<int16_t> values;  // the take's frames, left then right (empty until read)

    bool reported() const { return group == "reported"; }
};

// The short takes' pauses must be found to ±0.3 s, their talk, crossfades and jingles to ±1.0 s.
inline double tolerance(const std::string& kind)
{
    return kind == "pause" ? 0.3 : 1.0;
}

// A music-radio take's edge must be found to ±1.0 s, or within half the crossfade there.
inline double songScaleTolerance(double overlap)
{
    return std::max(1.0, overlap / 2);
}

// The 16-bit stereo samples of a WAV file's data chunk; empty when there is none.
inline std::vector<int16_t> wavValues(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (bytes.compare(at, 4, "data") == 0) {
            std::vector<int16_t> values(std::min<size_t>(size, bytes.size() - at - 8) / 2);
            std::memcpy(values.data(), bytes.data() + at + 8, values.size() * 2);
            return values;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

// One line of cases.tsv: name, kind, start and end, then for the music-radio takes their group,
// part and the overlaps at the two edges; nothing when the line holds less.
inline std::optional<Case> parseCase(const std::string& line)
{
    std::istringstream fields(line);
    Case take;
    std::string start;
    std::string end;
    if (!(fields >> take.name >> take.kind >> start >> end)) return std::nullopt;
    if (start != "-") take.start = quorvel::plainNumber(start).value();
    if (end != "-") take.end = quorvel::plainNumber(end).value();
    std::string before;
    std::string after;
    if (fields >> take.group >> take.part >> before >> after) {
        take.overlapBefore = quorvel::plainNumber(before).value();
        take.overlapAfter = quorvel::plainNumber(after).value();
        take.startTolerance = songScaleTolerance(take.overlapBefore);
        take.endTolerance = songScaleTolerance(take.overlapAfter);
    } else {
        take.group = "target";
        take.startTolerance = take.endTolerance = tolerance(take.kind);
    }
    return take;
}

inline void readAudio(const fs::path& directory, Case& take)
{
    take.values = wavValues(directory / (take.name + ".wav"));
}

// A take's audio freed once it has been looked at: the music-radio takes are read one at a time.
inline void releaseAudio(Case& take)
{
    take.values.clear();
    take.values.shrink_to_fit();
}

// Where a corpus is: the environment's variable when it is set, else where the build made it.
inline fs::path corpusDirectory(const char* variable, const char* built)
{
    const char* directory = std::getenv(variable);
    return directory != nullptr ? directory : built;
}

enum class Audio { Read, Later };

// The cases listed in directory/cases.tsv, with their audio unless it is to be read one take at
// a time (the music-radio takes are 64 MB and more each); nothing when there is no list.
inline std::optional<std::vector<Case>> load(const fs::path& directory, Audio audio = Audio::Read)
{
    std::ifstream list(directory / "cases.tsv");
    if (!list) return std::nullopt;
    std::vector<Case> cases;
    std::string line;
    while (std::getline(list, line)) {
        std::optional<Case> take = parseCase(line);
        if (!take) continue;
        if (audio == Audio::Read) readAudio(directory, *take);
        cases.push_back(std::move(*take));
    }
    return cases;
}

inline const std::vector<int16_t>* readValues = nullptr;

inline int32_t readCase(int32_t from, int32_t to, int16_t* values)
{
    if (from < 0 || to < from || size_t(to) * 2 > readValues->size()) return -1;
    std::copy(readValues->begin() + 2 * from, readValues->begin() + 2 * to, values);
    return to - from;
}

struct Outcome {
    std::optional<double> start;  // the selection's edges, in seconds
    std::optional<double> end;
    double startError = 0;  // seconds; 0 for a take rightly left alone, infinite for a miss
    double endError = 0;
    double error = 0;  // the larger of the two
    bool within = false;
};

// Where the players would have announced the titles about the take's song: at its two edges,
// moved by offset seconds (later when positive); none when the take holds no song.
inline std::vector<int32_t> hintsAtEdges(const Case& take, double offset)
{
    if (!take.start || !take.end) return {};
    return {int32_t(std::lround((*take.start + offset) * kSampleRate)),
            int32_t(std::lround((*take.end + offset) * kSampleRate))};
}

inline Outcome evaluate(const Case& take, std::span<const int32_t> hints = {})
{
    readValues = &take.values;
    const auto songs = findSongs(readCase, int32_t(take.values.size() / 2), {}, hints);
    Outcome outcome;
    if (songs && !songs->empty()) {
        outcome.start = songs->back().clipbegin / double(kSampleRate);
        outcome.end = songs->back().clipend / double(kSampleRate);
    }
    if (!take.start || !outcome.start) {
        outcome.within = !take.start && !outcome.start;
        outcome.error = outcome.startError = outcome.endError = outcome.within ? 0 : INFINITY;
        return outcome;
    }
    outcome.startError = std::abs(*outcome.start - *take.start);
    outcome.endError = std::abs(*outcome.end - *take.end);
    outcome.error = std::max(outcome.startError, outcome.endError);
    outcome.within =
        outcome.startError <= take.startTolerance && outcome.endError <= take.endTolerance;
    return outcome;
}

inline bool isTargetCrossfade(const Case& take)
{
    return take.kind == "crossfade" && !take.reported();
}

// How many of a set of cases were within their tolerance, and the worst edge among them.
struct Tally {
    int cases = 0;
    int within = 0;
    double worst = 0;

    void add(const Outcome& outcome)
    {
        ++cases;
        within += outcome.within ? 1 : 0;
        worst = std::max(worst, outcome.error);
    }
};

using Tallies = std::map<std::string, Tally>;

inline std::string seconds(const std::optional<double>& value)
{
    char text[16];
    if (!value) return "-";
    std::snprintf(text, sizeof text, "%.2f", *value);
    return text;
}

inline std::string edgeError(double error)
{
    return std::isinf(error) ? "miss" : seconds(error);
}

inline void printRow(const Case& take, const Outcome& outcome)
{
    std::printf("%-22s %-9s %7s %7s %9s %9s %7s %4s\n", take.name.c_str(), take.kind.c_str(),
                seconds(take.start).c_str(), seconds(take.end).c_str(),
                seconds(outcome.start).c_str(), seconds(outcome.end).c_str(),
                edgeError(outcome.error).c_str(), outcome.within ? "ok" : "OUT");
}

inline void printHeading()
{
    std::printf("%-22s %-9s %7s %7s %9s %9s %7s %4s\n", "case", "kind", "start", "end", "selected",
                "to", "error", "");
}

// The music-radio table: each edge's error, and "-" for a reported case outside.
inline void printSongScaleHeading()
{
    std::printf("%-18s %-14s %-5s %8s %8s %8s %8s %6s %6s %4s\n", "case", "kind", "part", "start",
                "end", "selected", "to", "err<", "err>", "");
}

inline void printSongScaleRow(const Case& take, const Outcome& outcome)
{
    const char* verdict = outcome.within ? "ok" : take.reported() ? "-" : "OUT";
    std::printf("%-18s %-14s %-5s %8s %8s %8s %8s %6s %6s %4s\n", take.name.c_str(),
                take.kind.c_str(), take.part.c_str(), seconds(take.start).c_str(),
                seconds(take.end).c_str(), seconds(outcome.start).c_str(),
                seconds(outcome.end).c_str(), edgeError(outcome.startError).c_str(),
                edgeError(outcome.endError).c_str(), verdict);
}

}  // namespace radio_corpus
