/* The audio engine's C interface: thirteen functions, 32-bit signed integers in and out,
 * paths as zero-terminated 8-bit strings. One process-wide engine serves one client.
 * Frame ranges are (from, to) with to excluded; value index = frame * 2 + channel. */
#ifndef BRENVIK_H
#define BRENVIK_H

#include <stdint.h>

#if defined(BRENVIK_BUILDING)
#define BRENVIK_API __attribute__((visibility("default")))
#else
#define BRENVIK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

BRENVIK_API int32_t OpenLib(int32_t trackLength, int32_t logging);
BRENVIK_API int32_t CloseLib(void);
BRENVIK_API int32_t TrackRead(int32_t index);
BRENVIK_API int32_t TrackWrite(int32_t index, int32_t value);
BRENVIK_API int32_t TrackClear(int32_t from, int32_t to);
BRENVIK_API int32_t PlayWav(int32_t from, int32_t to);
BRENVIK_API int32_t RecordWav(void);
BRENVIK_API int32_t StopWav(void);
BRENVIK_API int32_t GetPosition(void);
BRENVIK_API int32_t IsPlaying(void);
BRENVIK_API int32_t LoadWave(const char* path);
BRENVIK_API int32_t SaveAsWave(int32_t from, int32_t to, const char* path);
BRENVIK_API int32_t SaveAsMp3(int32_t from, int32_t to, const char* path);

#ifdef __cplusplus
}
#endif

#endif /* BRENVIK_H */
