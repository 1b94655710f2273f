// SPDX-License-Identifier: GPL-3.0-or-later
// The radio-like takes that tests/editor/radio_corpus.py writes, and how well the song finder
// does on them: for each take, the last song it finds beside the known one, and whether the
// edges lie within the take's tolerance. The corpus test and the Select Song benchmark share it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "plain_number.h"
#include "song_finder.h"

namespace radio_corpus {

namespace fs = std::filesystem;

struct Case {
    std::string name;
    std::string kind;             // pause, talk, crossfade, jingle, or none (no song in the take)
    std::optional<double> start;  // the last complete song's edges, in seconds
    std::optional<double> end;
    std::vector<int16_t> values;  // the take's frames, left then right
};

// Pauses must be found to ±0.3 s; talk, crossfades and jingles to ±1.0 s.
inline double tolerance(const std::string& kind)
{
    return kind == "pause" ? 0.3 : 1.0;
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

// The cases listed in directory/cases.tsv; nothing when there is no list.
inline std::optional<std::vector<Case>> load(const fs::path& directory)
{
    std::ifstream list(directory / "cases.tsv");
    if (!list) return std::nullopt;
    std::vector<Case> cases;
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        Case take;
        std::string start;
        std::string end;
        if (!(fields >> take.name >> take.kind >> start >> end)) continue;
        if (start != "-") take.start = quorvel::plainNumber(start).value();
        if (end != "-") take.end = quorvel::plainNumber(end).value();
        take.values = wavValues(directory / (take.name + ".wav"));
        cases.push_back(std::move(take));
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
    double error = 0;  // the larger of the two edges' errors; 0 for a take rightly left alone
    bool within = false;
};

inline Outcome evaluate(const Case& take)
{
    readValues = &take.values;
    const auto songs = findSongs(readCase, int32_t(take.values.size() / 2));
    Outcome outcome;
    if (songs && !songs->empty()) {
        outcome.start = songs->back().clipbegin / double(kSampleRate);
        outcome.end = songs->back().clipend / double(kSampleRate);
    }
    if (!take.start || !outcome.start) {
        outcome.within = !take.start && !outcome.start;
        outcome.error = outcome.within ? 0 : INFINITY;
        return outcome;
    }
    outcome.error =
        std::max(std::abs(*outcome.start - *take.start), std::abs(*outcome.end - *take.end));
    outcome.within = outcome.error <= tolerance(take.kind);
    return outcome;
}

inline std::string seconds(const std::optional<double>& value)
{
    char text[16];
    if (!value) return "-";
    std::snprintf(text, sizeof text, "%.2f", *value);
    return text;
}

inline void printRow(const Case& take, const Outcome& outcome)
{
    std::printf("%-22s %-9s %7s %7s %9s %9s %7s %4s\n", take.name.c_str(), take.kind.c_str(),
                seconds(take.start).c_str(), seconds(take.end).c_str(),
                seconds(outcome.start).c_str(), seconds(outcome.end).c_str(),
                std::isinf(outcome.error) ? "miss" : seconds(outcome.error).c_str(),
                outcome.within ? "ok" : "OUT");
}

inline void printHeading()
{
    std::printf("%-22s %-9s %7s %7s %9s %9s %7s %4s\n", "case", "kind", "start", "end", "selected",
                "to", "error", "");
}

}  // namespace radio_corpus
