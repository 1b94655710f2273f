// SPDX-License-Identifier: GPL-3.0-or-later
// The integrated loudness gates 400 ms blocks that start every 100 ms. A long stretch is cut into
// parts at whole 100 ms steps, each measured by its own libebur128 state on its own thread; a
// part after the first begins 300 ms early, so that the blocks across its start are measured by
// it exactly once, and libebur128 joins the parts' blocks into one gate.
//
// The true peak costs far more than the loudness, so it is found only where it can lie: the
// samples' peak of every 100 ms block is kept on the way, and blocks are oversampled from the
// loudest down until no block left could hold a point above the largest found.
#include "loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <numeric>
#include <system_error>
#include <thread>
#include <vector>

#include "brenvik.h"
#include "true_peak.h"

namespace {

constexpr int32_t kSampleRate = BRENVIK_SAMPLE_RATE;
constexpr int32_t kStepFrames = kSampleRate / 10;  // 100 ms: the gate's step and a peak block
constexpr int32_t kGateLeadFrames = 3 * kStepFrames;
constexpr int32_t kReadFrames = 16 * kStepFrames;
constexpr int32_t kShortestPartFrames = 10 * kSampleRate;
constexpr unsigned kMostParts = 4;
constexpr double kFullScale = 32768.0;

struct StateCloser {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using LoudnessState = std::unique_ptr<ebur128_state, StateCloser>;

// Frames [begin, end) of the selection, measured after a lead-in from leadBegin.
struct Part {
    int32_t leadBegin = 0;
    int32_t begin = 0;
    int32_t end = 0;
    LoudnessState state;
    std::vector<uint16_t> blockPeaks;  // per kStepFrames from begin; the last may be shorter
    bool measured = false;
};

uint16_t peakOf(const int16_t* values, size_t count)
{
    int32_t peak = 0;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int32_t(values[i])));
    return uint16_t(peak);
}

// How far the loudness stage has come over all parts; the true peak takes the last part of the
// bar.
class Progress {
public:
    Progress(std::atomic<int32_t>* percent, int64_t frames)
        : percent_(percent),
          frames_(std::max<int64_t>(frames, 1))
    {}
    void add(int32_t frames)
    {
        const int64_t done = done_ += frames;
        if (percent_ != nullptr) percent_->store(int32_t(done * kLoudnessShare / frames_));
    }
    void finish()
    {
        if (percent_ != nullptr) percent_->store(100);
    }

private:
    static constexpr int64_t kLoudnessShare = 90;
    std::atomic<int32_t>* percent_;
    const int64_t frames_;
    std::atomic<int64_t> done_{0};
};

// Feeds the part to its state in reads of whole steps, keeping each step's sample peak.
void measurePart(const EngineApi& engine, Part& part, Progress& progress)
{
    part.state.reset(ebur128_init(2, kSampleRate, EBUR128_MODE_I));
    if (!part.state) return;
    std::vector<int16_t> values(size_t(kReadFrames) * 2);
    for (int32_t at = part.leadBegin; at < part.end;) {
        const int32_t count = std::min(kReadFrames, part.end - at);
        if (engine.TrackReadFrames(at, at + count, values.data()) != count) return;
        if (ebur128_add_frames_short(part.state.get(), values.data(), size_t(count)) !=
            EBUR128_SUCCESS)
            return;
        for (int32_t step = std::max(at, part.begin); step < at + count; step += kStepFrames) {
            const int32_t stepEnd = std::min(step + kStepFrames, at + count);
            part.blockPeaks.push_back(
                peakOf(values.data() + 2 * (step - at), size_t(stepEnd - step) * 2));
        }
        at += count;
        progress.add(count);
    }
    part.measured = true;
}

// Runs work(i) for every i below count, the first on this thread and the others on threads of
// their own; a thread that cannot start leaves its share to this one.
template <typename Work>
void runOnThreads(size_t count, Work work)
{
    std::vector<std::thread> workers;
    for (size_t i = 1; i < count; ++i) {
        try {
            workers.emplace_back(work, i);
        } catch (const std::system_error&) {
            break;
        }
    }
    work(size_t(0));
    for (std::thread& worker : workers) worker.join();
    for (size_t i = workers.size() + 1; i < count; ++i) work(i);
}

unsigned threadCount()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMostParts);
}

std::vector<Part> cutIntoParts(int32_t from, int32_t to)
{
    const int32_t frames = to - from;
    const auto count = int32_t(std::clamp<int64_t>(frames / kShortestPartFrames, 1, threadCount()));
    const int32_t steps = (frames + kStepFrames - 1) / kStepFrames;
    std::vector<Part> parts(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        Part& part = parts[size_t(i)];
        part.begin = from + int32_t(int64_t(steps) * i / count) * kStepFrames;
        part.end =
            i + 1 == count ? to : from + int32_t(int64_t(steps) * (i + 1) / count) * kStepFrames;
        part.leadBegin = i == 0 ? part.begin : part.begin - kGateLeadFrames;
    }
    return parts;
}

std::optional<double> integratedLoudness(std::vector<Part>& parts)
{
    std::vector<ebur128_state*> states;
    for (Part& part : parts) states.push_back(part.state.get());
    double lufs = 0;
    if (ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) != EBUR128_SUCCESS)
        return std::nullopt;
    return lufs;
}

// The largest true peak found so far, shared by the threads that look for it.
class SharedPeak {
public:
    explicit SharedPeak(double start)
        : peak_(start)
    {}
    double get() const { return peak_.load(); }
    void raise(double peak)
    {
        double seen = peak_.load();
        while (peak > seen && !peak_.compare_exchange_weak(seen, peak)) {
        }
    }

private:
    std::atomic<double> peak_;
};

// The true peak over the blocks, with each block's sample peak given: blocks are oversampled in
// order of the largest sample peak around them until none left can reach above the best found.
// Threads take the blocks in that order one by one.
std::optional<double> truePeakOfBlocks(const EngineApi& engine, int32_t from, int32_t to,
                                       const std::vector<uint16_t>& blockPeaks)
{
    const size_t blocks = blockPeaks.size();
    std::vector<uint16_t> around(blocks);
    for (size_t b = 0; b < blocks; ++b) {
        around[b] = std::max({blockPeaks[b], b > 0 ? blockPeaks[b - 1] : uint16_t(0),
                              b + 1 < blocks ? blockPeaks[b + 1] : uint16_t(0)});
    }
    std::vector<size_t> order(blocks);
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return around[a] > around[b]; });

    SharedPeak best(
        blocks == 0 ? 0 : *std::max_element(blockPeaks.begin(), blockPeaks.end()) / kFullScale);
    std::atomic<size_t> next{0};
    std::atomic<bool> readFailed{false};
    runOnThreads(threadCount(), [&](size_t) {
        std::vector<int16_t> values;
        for (size_t at = next++; at < blocks && !readFailed; at = next++) {
            const size_t b = order[at];
            if (around[b] / kFullScale * kTruePeakOverSamplePeak <= best.get()) return;
            const int32_t first = from + int32_t(b) * kStepFrames;
            const int32_t readFrom = std::max(from, first - kTruePeakReachFrames);
            const int32_t readTo = std::min(to, first + kStepFrames + kTruePeakReachFrames);
            values.resize(size_t(readTo - readFrom) * 2);
            if (engine.TrackReadFrames(readFrom, readTo, values.data()) != readTo - readFrom) {
                readFailed = true;
                return;
            }
            const size_t count = size_t(std::min(first + kStepFrames, to) - first);
            best.raise(truePeak(values.data(), size_t(readTo - readFrom), size_t(first - readFrom),
                                count));
        }
    });
    if (readFailed) return std::nullopt;
    return best.get();
}

double decibels(double ratio)
{
    return ratio > 0 ? 20 * std::log10(ratio) : -HUGE_VAL;
}

}  // namespace

std::optional<LoudnessReading> measureLoudness(const EngineApi& engine, int32_t from, int32_t to,
                                               std::atomic<int32_t>* percent)
{
    if (from < 0 || to < from) return std::nullopt;
    std::vector<Part> parts = cutIntoParts(from, to);
    Progress progress(percent, int64_t(to - from) + int64_t(parts.size() - 1) * kGateLeadFrames);
    runOnThreads(parts.size(), [&](size_t i) { measurePart(engine, parts[i], progress); });
    if (!std::all_of(parts.begin(), parts.end(), [](const Part& part) { return part.measured; }))
        return std::nullopt;
    const std::optional<double> integrated = integratedLoudness(parts);
    std::vector<uint16_t> blockPeaks;
    for (const Part& part : parts)
        blockPeaks.insert(blockPeaks.end(), part.blockPeaks.begin(), part.blockPeaks.end());
    const std::optional<double> peak = truePeakOfBlocks(engine, from, to, blockPeaks);
    progress.finish();
    if (!integrated || !peak) return std::nullopt;
    return LoudnessReading{*integrated, decibels(*peak)};
}

bool scaleFrames(const EngineApi& engine, int32_t from, int32_t to, double gainDb, int16_t* before)
{
    const double gain = std::pow(10.0, gainDb / 20);
    std::vector<int16_t> values(size_t(kReadFrames) * 2);
    for (int32_t at = from; at < to;) {
        const int32_t count = std::min(kReadFrames, to - at);
        if (engine.TrackReadFrames(at, at + count, values.data()) != count) return false;
        const size_t valueCount = size_t(count) * 2;
        if (before != nullptr) before = std::copy_n(values.data(), valueCount, before);
        for (size_t i = 0; i < valueCount; ++i)
            values[i] = int16_t(std::clamp(std::rint(values[i] * gain), -32768.0, 32767.0));
        if (engine.TrackWriteFrames(at, at + count, values.data()) != count) return false;
        at += count;
    }
    return true;
}
