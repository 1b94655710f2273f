#include "mp3_quality.h"

namespace brenvik {
namespace {

constexpr uint16_t kStandardBitrate = 192;
constexpr uint16_t kHighestBitrate = 320;
constexpr uint8_t kVbrQualityV2 = 2;

}  // namespace

std::optional<Mp3Quality> mp3Quality(int32_t value)
{
    switch (static_cast<Mp3Quality>(value)) {
    case Mp3Quality::kCbr192:
    case Mp3Quality::kCbr320:
    case Mp3Quality::kVbrV2: return static_cast<Mp3Quality>(value);
    }
    return std::nullopt;
}

void setEncoderRate(BE_CONFIG& config, Mp3Quality quality)
{
    switch (quality) {
    case Mp3Quality::kCbr192: config.bitrate = kStandardBitrate; break;
    case Mp3Quality::kCbr320: config.bitrate = kHighestBitrate; break;
    case Mp3Quality::kVbrV2:
        config.vbr = 1;
        config.vbrQuality = kVbrQualityV2;
        break;
    }
}

}  // namespace brenvik
