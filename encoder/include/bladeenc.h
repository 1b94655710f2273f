// SPDX-License-Identifier: GPL-3.0-or-later
/* The C interface of the MP3 encoder library libbladeenc.so: five entry points, resolved by name,
 * and beInfoFrame, an addition for the frame that tells decoders the exact length.
 * Every entry point but beVersion returns 0 on success and one of the BE_ERR_ numbers otherwise.
 * Sample counts count 16-bit values of all channels together: a stereo frame is two samples. */
#ifndef BLADEENC_H
#define BLADEENC_H

#include <stdint.h>

#if defined(BLADEENC_BUILDING)
#define BLADEENC_API __attribute__((visibility("default")))
#else
#define BLADEENC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define BE_OK 0u
#define BE_ERR_BAD_CONFIG 1u   /* the configuration asks for something the encoder cannot do */
#define BE_ERR_BAD_ARGUMENT 2u /* a missing pointer, or too many samples for one chunk */
#define BE_ERR_BAD_HANDLE 3u   /* no open stream has this handle */
#define BE_ERR_STREAM_STATE \
    4u                    /* encoding into a stream that was already flushed, or asking
                                     for an Info frame the stream does not have (yet) */
#define BE_ERR_ENCODER 5u /* the encoder itself failed */
#define BE_ERR_OUT_OF_MEMORY 6u

#define BE_KIND_MP3 0u

#define BE_MODE_STEREO 0
#define BE_MODE_JOINT_STEREO 1
#define BE_MODE_DUAL_CHANNEL 2
#define BE_MODE_MONO 3

#pragma pack(push, 1)

/* Configuration of a new stream. The layout is fixed byte by byte (no gaps); callers zero the
 * reserved tail, which later versions may give a meaning. A configuration whose bytes from
 * infoFrame on are zero asks for what the first version did: constant bitrate, and output that
 * is exactly the MP3 frames of the audio. */
typedef struct {
    uint32_t kind;       /* BE_KIND_MP3 */
    uint32_t sampleRate; /* 32000, 44100 or 48000 */
    uint8_t mode;        /* BE_MODE_ */
    uint16_t bitrate;    /* kbit/s, constant */
    int32_t privateBit;  /* the flag bits of every MP3 frame header, 0 or 1 */
    int32_t crc;
    int32_t copyright;
    int32_t original;
    /* 1: the output begins with a placeholder of one frame for LAME's Info frame (Xing for a
     * variable bitrate), whose final bytes beInfoFrame gives after the flush: the encoder delay,
     * the padding and the frame count that let a decoder return exactly the samples encoded. */
    uint8_t infoFrame;
    uint8_t vbr;        /* 1: variable bitrate at vbrQuality; bitrate is then not used */
    uint8_t vbrQuality; /* LAME's V0 (best) to V9 */
    uint8_t reserved[34];
} BE_CONFIG;

typedef struct {
    uint8_t libraryMajor;
    uint8_t libraryMinor;
    uint8_t encoderMajor;
    uint8_t encoderMinor;
    uint8_t day; /* the library's build date */
    uint8_t month;
    uint16_t year;
    char homepage[129]; /* zero-terminated */
} BE_VERSION;

#pragma pack(pop)

/* Opens a stream; reports the most samples one beEncodeChunk call takes, the output buffer size
 * that holds the output of one chunk or of the flush, and the new stream's handle. */
BLADEENC_API uint32_t beInitStream(const BE_CONFIG* config, uint32_t* samplesPerChunk,
                                   uint32_t* outputBufferBytes, uint32_t* stream);

/* Encodes interleaved samples; writes the encoded bytes to output and their count to
 * outputBytes (which may be 0: the encoder keeps audio back until it fills a frame). */
BLADEENC_API uint32_t beEncodeChunk(uint32_t stream, uint32_t sampleCount, const int16_t* samples,
                                    uint8_t* output, uint32_t* outputBytes);

/* Encodes what the stream still holds and writes the last bytes; the stream takes no more
 * samples afterwards but stays open until beCloseStream. */
BLADEENC_API uint32_t beDeinitStream(uint32_t stream, uint8_t* output, uint32_t* outputBytes);

BLADEENC_API uint32_t beCloseStream(uint32_t stream);

BLADEENC_API void beVersion(BE_VERSION* version);

/* For a stream opened with infoFrame 1, after beDeinitStream: writes the final Info frame to
 * output (outputBufferBytes large) and its size to outputBytes. It has exactly the size of the
 * placeholder that began the stream's output, which the caller overwrites with it. */
BLADEENC_API uint32_t beInfoFrame(uint32_t stream, uint8_t* output, uint32_t* outputBytes);

#ifdef __cplusplus
}

#include <cstddef>
static_assert(offsetof(BE_CONFIG, sampleRate) == 4);
static_assert(offsetof(BE_CONFIG, mode) == 8);
static_assert(offsetof(BE_CONFIG, bitrate) == 9);
static_assert(offsetof(BE_CONFIG, privateBit) == 11);
static_assert(offsetof(BE_CONFIG, crc) == 15);
static_assert(offsetof(BE_CONFIG, copyright) == 19);
static_assert(offsetof(BE_CONFIG, original) == 23);
static_assert(offsetof(BE_CONFIG, infoFrame) == 27);
static_assert(offsetof(BE_CONFIG, vbr) == 28);
static_assert(offsetof(BE_CONFIG, vbrQuality) == 29);
static_assert(offsetof(BE_CONFIG, reserved) == 30);
static_assert(sizeof(BE_CONFIG) == 64);
static_assert(offsetof(BE_VERSION, year) == 6);
static_assert(sizeof(BE_VERSION) == 137);
#endif

#endif /* BLADEENC_H */
