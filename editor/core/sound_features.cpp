// SPDX-License-Identifier: GPL-3.0-or-later
// The track is read in chunks. Each chunk adds its blocks' levels and peaks and its decimated
// samples; a spectral frame is taken as soon as the samples under its window are in. One FFTW
// plan serves every frame of every analysis.
#include "sound_features.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <numbers>

namespace {

constexpr int32_t kDecimation = 4;  // 44100 Hz to 11025 Hz
constexpr int32_t kHopSamples = kHopFrames / kDecimation;
constexpr int32_t kWindowSamples = 2 * kHopSamples;  // 92.9 ms
constexpr int32_t kBins = kWindowSamples / 2 + 1;
constexpr double kBinHz = double(kSampleRate) / kDecimation / kWindowSamples;
constexpr int32_t kChunkFrames = 64 * kHopFrames;
constexpr float kFullScale = 32768.0F;
constexpr double kTinyPower = 1e-12;
constexpr int32_t kBinsALog = 8;

// The flatness is judged where both music and hiss have most of their energy.
constexpr double kFlatnessLowHz = 200.0;
constexpr double kFlatnessHighHz = 4000.0;
constexpr double kChromaLowHz = 200.0;  // the bins are too wide for pitch below
constexpr double kChromaHighHz = 3000.0;
constexpr double kBandsLowHz = 100.0;
constexpr double kBandsHighHz = 5000.0;

int32_t bin(double hz)
{
    return int32_t(std::lround(hz / kBinHz));
}

struct FftwFree {
    void operator()(void* memory) const { fftwf_free(memory); }
};

// The plan, its window and the bins each feature sums, made once for every analysis.
class SpectrumTools {
public:
    SpectrumTools()
        : in_(static_cast<float*>(fftwf_malloc(sizeof(float) * kWindowSamples))),
          out_(static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * kBins)))
    {
        plan_ = fftwf_plan_dft_r2c_1d(kWindowSamples, in_.get(), out_.get(), FFTW_ESTIMATE);
        for (int32_t n = 0; n < kWindowSamples; ++n)
            window_[size_t(n)] =
                float(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (n + 0.5) / kWindowSamples));
        for (int32_t k = 0; k < kBins; ++k) {
            const double pitch = 12.0 * std::log2(std::max(k, 1) * kBinHz / 440.0);
            pitchClass_[size_t(k)] = int8_t(((std::lround(pitch) % 12) + 12) % 12);
        }
        for (int band = 0; band <= kTimbreBands; ++band)
            bandEdges_[size_t(band)] = bin(
                kBandsLowHz * std::pow(kBandsHighHz / kBandsLowHz, double(band) / kTimbreBands));
    }
    ~SpectrumTools() { fftwf_destroy_plan(plan_); }
    SpectrumTools(const SpectrumTools&) = delete;
    SpectrumTools& operator=(const SpectrumTools&) = delete;

    // The features of kWindowSamples samples; in and out are this thread's own arrays.
    SpectralFrame frame(const float* samples, float* in, fftwf_complex* out, float* power) const
    {
        for (int32_t n = 0; n < kWindowSamples; ++n) in[n] = samples[n] * window_[size_t(n)];
        fftwf_execute_dft_r2c(plan_, in, out);
        for (int32_t k = 0; k < kBins; ++k)
            power[k] = out[k][0] * out[k][0] + out[k][1] * out[k][1];
        SpectralFrame result;
        result.flatness = flatness(power);
        chroma(power, result.chroma);
        for (size_t band = 0; band < kTimbreBands; ++band) {
            const int32_t first = bandEdges_[band];
            const int32_t end = std::max(bandEdges_[band + 1], first + 1);
            double sum = 0;
            for (int32_t k = first; k < end; ++k) sum += power[k];
            result.bands[band] = float(10.0 * std::log10(sum + kTinyPower));
        }
        return result;
    }

private:
    static float flatness(const float* power)
    {
        double logSum = 0;
        double sum = 0;
        const int32_t first = bin(kFlatnessLowHz);
        const int32_t end = bin(kFlatnessHighHz);
        // One logarithm for a product of a few bins instead of one a bin: the product of eight
        // powers between 1e-12 and 1e7 stays well inside a double's range.
        double product = 1;
        for (int32_t k = first; k < end; ++k) {
            product *= double(power[k]) + kTinyPower;
            sum += double(power[k]) + kTinyPower;
            if ((k - first) % kBinsALog == kBinsALog - 1) {
                logSum += std::log(product);
                product = 1;
            }
        }
        logSum += std::log(product);
        const double count = end - first;
        return float(std::exp(logSum / count) / (sum / count));
    }

    void chroma(const float* power, std::array<float, kPitchClasses>& classes) const
    {
        double total = 0;
        for (int32_t k = bin(kChromaLowHz); k < bin(kChromaHighHz); ++k) {
            classes[size_t(pitchClass_[size_t(k)])] += power[k];
            total += power[k];
        }
        for (float& value : classes)
            value = total > 0 ? float(value / total) : 1.0F / kPitchClasses;
    }

    std::unique_ptr<float, FftwFree> in_;
    std::unique_ptr<fftwf_complex, FftwFree> out_;
    fftwf_plan plan_ = nullptr;
    std::array<float, kWindowSamples> window_{};
    std::array<int8_t, kBins> pitchClass_{};
    std::array<int32_t, kTimbreBands + 1> bandEdges_{};
};

const SpectrumTools& spectrumTools()
{
    static const SpectrumTools tools;  // FFTW plans only here, once, under the static's guard
    return tools;
}

}  // namespace

// The plan's scratch arrays, the decimated samples not yet taken into a frame, the frames of a
// block not yet complete, and what has been boiled down so far.
struct FeatureStream::State {
    const SpectrumTools& tools = spectrumTools();
    std::unique_ptr<float, FftwFree> in{
        static_cast<float*>(fftwf_malloc(sizeof(float) * kWindowSamples))};
    std::unique_ptr<fftwf_complex, FftwFree> out{
        static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * kBins))};
    std::vector<float> power = std::vector<float>(size_t(kBins));
    std::vector<float> samples;  // decimated samples not yet needed by a frame
    // The energy of the channels' sum and of their difference in each block from
    // firstPendingBlock on, until the frame of its hop is taken.
    std::vector<std::pair<int64_t, int64_t>> pendingEnergies;
    int64_t firstPendingBlock = 0;
    std::vector<int16_t> partialBlock;  // the values of a block still being fed
    int64_t frames = 0;
    int64_t hopsTaken = 0;  // frames handed out by takeCompleted
    SoundFeatures features;

    void addBlock(const int16_t* values, int32_t count);
    void takeFrames(bool last);
    float takeSideBelowMid();
};

// How far the difference lies below the sum over the blocks of the hop whose frame was just
// taken, which it then forgets.
float FeatureStream::State::takeSideBelowMid()
{
    constexpr int64_t kBlocksAHop = kHopFrames / kBlockFrames;
    const int64_t hop = hopsTaken + int64_t(features.hops.size()) - 1;
    const auto end = size_t(std::clamp<int64_t>((hop + 1) * kBlocksAHop - firstPendingBlock, 0,
                                                int64_t(pendingEnergies.size())));
    double mid = kTinyPower;
    double side = kTinyPower;
    for (size_t block = 0; block < end; ++block) {
        mid += double(pendingEnergies[block].first);
        side += double(pendingEnergies[block].second);
    }
    pendingEnergies.erase(pendingEnergies.begin(), pendingEnergies.begin() + std::ptrdiff_t(end));
    firstPendingBlock += int64_t(end);
    return float(10.0 * std::log10(side / mid));
}

void FeatureStream::State::addBlock(const int16_t* values, int32_t count)
{
    // Integer sums in plain loops, which the compiler turns into vector code.
    int32_t peak = 0;
    int64_t sumOfSquares = 0;
    for (int32_t n = 0; n < 2 * count; ++n) {
        const int32_t value = values[n];
        peak = std::max(peak, std::abs(value));
        sumOfSquares += value * value;
    }
    // Half the channels' difference, whose square fits 32 bits as the values' squares do.
    int64_t halfDifferenceSquares = 0;
    for (int32_t n = 0; n < count; ++n) {
        const int32_t halfDifference = (values[2 * n] - values[2 * n + 1]) >> 1;
        halfDifferenceSquares += halfDifference * halfDifference;
    }
    // (l + r)^2 + (l - r)^2 = 2 (l^2 + r^2)
    const int64_t differenceSquares = 4 * halfDifferenceSquares;
    pendingEnergies.emplace_back(2 * sumOfSquares - differenceSquares, differenceSquares);
    features.blockPeaks.push_back(uint16_t(std::min(peak, 32767)));
    const double meanSquare =
        double(sumOfSquares) / (2.0 * count) / (double(kFullScale) * kFullScale);
    features.blockLevels.push_back(float(10.0 * std::log10(meanSquare + kTinyPower)));
    for (int32_t first = 0; first < count; first += kDecimation) {
        const int32_t group = std::min(kDecimation, count - first);
        int32_t sum = 0;
        for (int32_t n = 0; n < 2 * group; ++n) sum += values[2 * first + n];
        samples.push_back(float(sum) / (2.0F * float(group) * kFullScale));
    }
}

// Takes every frame whose window is complete; at the end, the rest with silence after.
void FeatureStream::State::takeFrames(bool last)
{
    const int64_t needed = (frames + kHopFrames - 1) / kHopFrames;
    size_t start = 0;
    while (hopsTaken + int64_t(features.hops.size()) < needed) {
        if (samples.size() < start + kWindowSamples) {
            if (!last) break;
            samples.resize(start + kWindowSamples, 0.0F);
        }
        features.hops.push_back(
            tools.frame(samples.data() + start, in.get(), out.get(), power.data()));
        features.hops.back().sideBelowMidDb = takeSideBelowMid();
        start += kHopSamples;
    }
    samples.erase(samples.begin(),
                  samples.begin() + std::ptrdiff_t(std::min(start, samples.size())));
}

FeatureStream::FeatureStream(int32_t expectedFrames)
    : state_(std::make_unique<State>())
{
    const auto expected = size_t(std::max(expectedFrames, 0));
    state_->features.blockLevels.reserve(expected / kBlockFrames + 1);
    state_->features.blockPeaks.reserve(expected / kBlockFrames + 1);
    state_->features.hops.reserve(expected / kHopFrames + 1);
    // The first window is centred on the first hop's centre: half a hop before the track lies
    // in silence.
    state_->samples.assign(size_t(kHopSamples / 2), 0.0F);
}

FeatureStream::~FeatureStream() = default;
FeatureStream::FeatureStream(FeatureStream&&) noexcept = default;
FeatureStream& FeatureStream::operator=(FeatureStream&&) noexcept = default;

void FeatureStream::feed(const int16_t* values, int32_t count)
{
    State& state = *state_;
    state.frames += std::max(count, 0);
    std::vector<int16_t>& partial = state.partialBlock;
    if (!partial.empty()) {
        // Tops up the block begun by an earlier run first.
        const int32_t missing = kBlockFrames - int32_t(partial.size() / 2);
        const int32_t taken = std::min(missing, count);
        partial.insert(partial.end(), values, values + 2 * std::max(taken, 0));
        values += 2 * std::max(taken, 0);
        count -= taken;
        if (int32_t(partial.size() / 2) < kBlockFrames) return;
        state.addBlock(partial.data(), kBlockFrames);
        partial.clear();
    }
    int32_t first = 0;
    for (; first + kBlockFrames <= count; first += kBlockFrames)
        state.addBlock(values + 2 * first, kBlockFrames);
    partial.assign(values + 2 * first, values + 2 * std::max(count, first));
    state.takeFrames(false);
}

int64_t FeatureStream::frames() const
{
    return state_->frames;
}

SoundFeatures FeatureStream::takeCompleted()
{
    State& state = *state_;
    SoundFeatures completed;
    completed.frames = int32_t(std::min<int64_t>(state.frames, INT32_MAX));
    std::swap(completed.blockLevels, state.features.blockLevels);
    std::swap(completed.blockPeaks, state.features.blockPeaks);
    std::swap(completed.hops, state.features.hops);
    state.hopsTaken += int64_t(completed.hops.size());
    return completed;
}

SoundFeatures FeatureStream::finish()
{
    State& state = *state_;
    if (!state.partialBlock.empty()) {
        state.addBlock(state.partialBlock.data(), int32_t(state.partialBlock.size() / 2));
        state.partialBlock.clear();
    }
    state.takeFrames(true);
    SoundFeatures result = takeCompleted();
    return result;
}

void AnalysisControl::report(int64_t done, int64_t total) const
{
    if (percent != nullptr && total > 0) percent->store(int32_t(done * 100 / total));
}

std::optional<SoundFeatures> extractFeatures(TrackFramesReader read, int32_t frames,
                                             const AnalysisControl& control)
{
    FeatureStream stream(frames);
    std::vector<int16_t> chunk(size_t(2 * kChunkFrames));
    for (int32_t first = 0; first < frames; first += kChunkFrames) {
        if (control.cancelled()) return std::nullopt;
        const int32_t count = std::min(kChunkFrames, frames - first);
        if (read(first, first + count, chunk.data()) != count) return std::nullopt;
        stream.feed(chunk.data(), count);
        control.report(first + count, frames);
    }
    return stream.finish();
}
