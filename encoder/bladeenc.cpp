// SPDX-License-Identifier: GPL-3.0-or-later
// The entry points of libbladeenc.so, on LAME.
#include "bladeenc.h"

#include <cstring>
#include <new>
#include <string_view>

#include "lame_stream.h"
#include "stream_table.h"

namespace {

constexpr uint8_t kLibraryMajor = 1;
constexpr uint8_t kLibraryMinor = 0;

bladeenc::StreamTable& streams()
{
    static bladeenc::StreamTable table;
    return table;
}

struct BuildDate {
    uint8_t day;
    uint8_t month;
    uint16_t year;
};

// The compiler's __DATE__ reads "Mmm dd yyyy", the day padded with a blank.
constexpr BuildDate parseBuildDate(std::string_view date)
{
    constexpr std::string_view months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const auto digit = [&](std::size_t i) { return date[i] == ' ' ? 0 : date[i] - '0'; };
    return BuildDate{
        static_cast<uint8_t>(digit(4) * 10 + digit(5)),
        static_cast<uint8_t>(months.find(date.substr(0, 3)) / 3 + 1),
        static_cast<uint16_t>(digit(7) * 1000 + digit(8) * 100 + digit(9) * 10 + digit(10))};
}

}  // namespace

extern "C" {

uint32_t beInitStream(const BE_CONFIG* config, uint32_t* samplesPerChunk,
                      uint32_t* outputBufferBytes, uint32_t* stream)
{
    if (!config || !samplesPerChunk || !outputBufferBytes || !stream) return BE_ERR_BAD_ARGUMENT;
    if (const uint32_t error = bladeenc::checkConfig(*config); error != BE_OK) return error;
    try {
        std::shared_ptr<bladeenc::LameStream> opened = bladeenc::LameStream::create(*config);
        if (!opened) return BE_ERR_ENCODER;
        *samplesPerChunk = opened->samplesPerChunk();
        *outputBufferBytes = bladeenc::LameStream::outputBufferBytes();
        *stream = streams().add(std::move(opened));
        return BE_OK;
    } catch (const std::bad_alloc&) {
        return BE_ERR_OUT_OF_MEMORY;
    }
}

uint32_t beEncodeChunk(uint32_t stream, uint32_t sampleCount, const int16_t* samples,
                       uint8_t* output, uint32_t* outputBytes)
{
    if ((!samples && sampleCount > 0) || !output || !outputBytes) return BE_ERR_BAD_ARGUMENT;
    const auto found = streams().find(stream);
    if (!found) return BE_ERR_BAD_HANDLE;
    return found->encode({samples, sampleCount}, output, *outputBytes);
}

uint32_t beDeinitStream(uint32_t stream, uint8_t* output, uint32_t* outputBytes)
{
    if (!output || !outputBytes) return BE_ERR_BAD_ARGUMENT;
    const auto found = streams().find(stream);
    if (!found) return BE_ERR_BAD_HANDLE;
    return found->flush(output, *outputBytes);
}

uint32_t beCloseStream(uint32_t stream)
{
    return streams().remove(stream) ? BE_OK : BE_ERR_BAD_HANDLE;
}

uint32_t beInfoFrame(uint32_t stream, uint8_t* output, uint32_t* outputBytes)
{
    if (!output || !outputBytes) return BE_ERR_BAD_ARGUMENT;
    const auto found = streams().find(stream);
    if (!found) return BE_ERR_BAD_HANDLE;
    return found->infoFrame(output, *outputBytes);
}

void beVersion(BE_VERSION* version)
{
    if (!version) return;
    constexpr BuildDate built = parseBuildDate(__DATE__);
    lame_version_t lame{};
    get_lame_version_numerical(&lame);
    std::memset(version, 0, sizeof *version);  // the homepage text stays empty
    version->libraryMajor = kLibraryMajor;
    version->libraryMinor = kLibraryMinor;
    version->encoderMajor = static_cast<uint8_t>(lame.major);
    version->encoderMinor = static_cast<uint8_t>(lame.minor);
    version->day = built.day;
    version->month = built.month;
    version->year = built.year;
}

}  // extern "C"
