// SPDX-License-Identifier: GPL-3.0-or-later
/* The audio engine's C interface: thirteen functions and the additions at the end, 32-bit
 * signed integers in and out, paths as zero-terminated 8-bit strings. One process-wide engine
 * serves one client.
 * Frame ranges are (from, to) with to excluded; value index = frame * 2 + channel.
 * No C++ exception leaves a function: where memory cannot be had or a thread cannot start
 * inside one, it returns the failure code its comment below names.
 *
 * Calls from several threads. Any function may be called from any thread; the engine takes
 * them in turn, so that each does what it says whatever runs beside it:
 *   - SaveProgress runs beside anything (it reads one counter), also beside the save it reports.
 *   - TrackRead, TrackReadFrames, SaveAsWave, SaveAsMp3, WaveFrames and WaveSampleBits only
 *     read: they run beside each other (several threads reading the track at once, a save
 *     beside the drawing), and wait while one of the calls below runs.
 *   - OpenLib, CloseLib, TrackWrite, TrackClear, TrackWriteFrames, PlayWav, RecordWav, StopWav,
 *     GetPosition, IsPlaying, LoadWave, SetSongDetails, SetMp3Quality, ListSources,
 *     SelectSource, GetLostInput, GetSourceChanges, GetSourcePlayers, GetRingTurn,
 *     KeepTrackInMemory, GetTrackStore, ListTakes, OpenTake and DiscardTake each run alone:
 *     a call from another thread waits until it has returned, so a poll of GetPosition,
 *     IsPlaying or GetLostInput never disturbs a RecordWav or StopWav on another thread, and
 *     comes after it.
 * A call waits for its turn at most twice the device deadline (about 6 s: a device that does
 * not answer within 3 s is given up). When the engine is still busy then, the call does nothing
 * and returns: BRENVIK_ERR_ALLOCATED from the device functions, OpenTake and SelectSource,
 * -BRENVIK_ERR_ALLOCATED from ListSources, BRENVIK_SAVE_FAILED from SaveAsWave,
 * BRENVIK_MP3_DISK_ERROR from SaveAsMp3, BRENVIK_LOAD_CANNOT_OPEN from LoadWave (negated from
 * WaveFrames and WaveSampleBits), -1 from GetRingTurn, BRENVIK_SETTING_REFUSED from the
 * settings and KeepTrackInMemory, BRENVIK_TAKE_REFUSED from DiscardTake, BRENVIK_OUTSIDE_TRACK
 * from the track reads and writes, and 0 from TrackClear, GetPosition, IsPlaying, GetLostInput,
 * GetSourceChanges, GetSourcePlayers, GetTrackStore and ListTakes. The audio threads inside
 * the engine never wait for a turn. */
#ifndef BRENVIK_H
#define BRENVIK_H

#include <stdint.h>

#if defined(BRENVIK_BUILDING)
#define BRENVIK_API __attribute__((visibility("default")))
#else
#define BRENVIK_API
#endif

/* The track's one format, also that of recording, playback and saved WAV files: this many
 * frames a second, each a left and a right signed 16-bit value. */
enum { BRENVIK_SAMPLE_RATE = 44100 };

/* Results of the device exports (OpenLib, CloseLib, PlayWav, RecordWav, StopWav): 0, or the
 * sound system's error number, numbered as the Windows multimedia system numbers them. When the
 * engine fails inside one of them they give BRENVIK_ERR_NO_MEMORY for memory that cannot be
 * had and BRENVIK_ERR_UNSPECIFIED for anything else (a thread that cannot start). */
enum {
    BRENVIK_OK = 0,
    BRENVIK_ERR_UNSPECIFIED = 1,    /* MMSYSERR_ERROR: an unspecified sound system failure */
    BRENVIK_ERR_BAD_DEVICE = 2,     /* MMSYSERR_BADDEVICEID: no default device, or it cannot open */
    BRENVIK_ERR_ALLOCATED = 4,      /* MMSYSERR_ALLOCATED: the device is in use */
    BRENVIK_ERR_NOT_OPEN = 5,       /* MMSYSERR_INVALHANDLE: the device is not open */
    BRENVIK_ERR_NOT_RESPONDING = 6, /* MMSYSERR_NODRIVER: the device stopped answering, or
                                       stopped moving during a transport, and was given up;
                                       what it recorded so far is kept */
    BRENVIK_ERR_NO_MEMORY = 7,      /* MMSYSERR_NOMEM: memory cannot be had */
    BRENVIK_ERR_NO_BUFFER = 11,     /* MMSYSERR_INVALPARAM: a missing header or buffer */
    BRENVIK_ERR_BAD_FORMAT = 32, /* WAVERR_BADFORMAT: the device refuses 44100 Hz 16-bit stereo */
    BRENVIK_ERR_STILL_PLAYING = 33, /* WAVERR_STILLPLAYING: a buffer is still queued, or a
                                       transport already runs */
    BRENVIK_ERR_UNPREPARED = 34     /* WAVERR_UNPREPARED: a buffer was not prepared */
};

/* TrackRead and TrackWrite: a value index outside the track (also when the engine fails inside
 * them). TrackClear, GetPosition and IsPlaying give 0 then. */
enum { BRENVIK_OUTSIDE_TRACK = -1 };

/* LoadWave: the load flags 0..3 (the audio is loaded), or a rejection that leaves the track as
 * it was. A failure inside the engine gives BRENVIK_LOAD_CANNOT_OPEN. */
enum {
    BRENVIK_LOAD_NOT_STEREO = 1, /* flag: the file's channel count is not 2 */
    BRENVIK_LOAD_OTHER_RATE = 2, /* flag: the file's sample rate is not 44100 */
    BRENVIK_LOAD_NO_RIFF = 10,
    BRENVIK_LOAD_NO_WAVE = 11,
    BRENVIK_LOAD_NO_FMT = 12,
    BRENVIK_LOAD_NOT_PCM = 13,
    BRENVIK_LOAD_NOT_16_BIT = 14,
    BRENVIK_LOAD_CANNOT_OPEN = 15, /* missing, unreadable, not a regular file (a FIFO, a device),
                                      or no track: before OpenLib, after CloseLib or after an
                                      OpenLib that could not get the memory */
    BRENVIK_LOAD_NO_DATA = 16      /* no data chunk, or the file ends before its audio */
};

/* SaveAsWave: the file cannot be created or written; also a path that names something other
 * than a regular file (a FIFO, a device: nothing is written to it), no track (no file is
 * created), or a failure inside the engine.
 * Both saves write through a file in the target's folder that has no name until it is complete,
 * then take the target's place, so a process killed during a save leaves nothing. Where the
 * file system refuses such files, a hidden ".<name>.xxxxxxxx" beside the target stands in
 * (a WAV file's header is written last, so an unfinished one never reads as audio), and the
 * next save into that folder removes those a killed save left: only the process user's own
 * regular files of that exact pattern around a .wav or .mp3 name, changed before it began. */
enum { BRENVIK_SAVE_FAILED = -1 };

/* SaveAsMp3. The file's first MP3 frame is LAME's Info frame (Xing for a variable bitrate),
 * which gives decoders that honour it (ffmpeg, mpg123) the encoder delay and padding, so that
 * they return exactly the frames saved; the audio frames follow it unchanged. An encoder library
 * without beInfoFrame gives the audio frames only. A failure inside the engine gives
 * BRENVIK_MP3_MEMORY_ERROR for memory that cannot be had and BRENVIK_MP3_DISK_ERROR for
 * anything else. */
enum {
    BRENVIK_MP3_NO_ENCODER = -1,    /* libbladeenc.so or one of its entry points is missing */
    BRENVIK_MP3_DISK_ERROR = -2,    /* the file cannot be created or written, or the path
                                        names something other than a regular file */
    BRENVIK_MP3_STREAM_ERROR = -3,  /* the encoder stream cannot be opened or flushed */
    BRENVIK_MP3_MEMORY_ERROR = -4,  /* a buffer cannot be had, or there is no track (no
                                        file is created) */
    BRENVIK_MP3_ENCODING_ERROR = -5 /* the encoder failed on a chunk */
};

#ifdef __cplusplus
extern "C" {
#endif

/* A device that stops moving while a transport runs (its sound server died, the card was
 * pulled): once GetPosition and IsPlaying have read the same frame count for about 3 s, the
 * transport is given up. IsPlaying then returns 0, a recording no longer writes into the ring,
 * and the next StopWav ends the transport as usual (a recording's ring is rotated so that what
 * was recorded reads oldest-first) but returns BRENVIK_ERR_NOT_RESPONDING. A transport whose
 * PlayWav or RecordWav failed is not watched: it stays active until StopWav. */
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

/* Additions beyond the thirteen; they change nothing the thirteen do. */

/* Block access to the track for readers and writers of many frames (drawing, analysis,
 * loudness). TrackReadFrames copies the frames from..to (to excluded) into values, two values a
 * frame, left then right; TrackWriteFrames stores values into them. Both return the number of
 * frames copied, or BRENVIK_OUTSIDE_TRACK when the range does not lie inside the track
 * (0 <= from <= to <= track length), values is null, or there is no track. */
BRENVIK_API int32_t TrackReadFrames(int32_t from, int32_t to, int16_t* values);
BRENVIK_API int32_t TrackWriteFrames(int32_t from, int32_t to, const int16_t* values);

/* What the saves that follow write beside the audio. Both keep their setting for the rest of
 * the process, across OpenLib and CloseLib, and answer BRENVIK_SETTING_REFUSED (changing
 * nothing) for what they do not know. */
enum { BRENVIK_SETTING_REFUSED = -1 };

/* SetSongDetails: details is UTF-8 text of lines "key=value", separated by "\n", with the keys
 * title, artist, album, year, genre and comment; a key left out, or with nothing after "=", is
 * not set; NULL or "" clears them all. While any is set, SaveAsMp3 begins the file with an
 * ID3v2.3 tag of them, and SaveAsWave appends a "LIST" chunk of form "INFO" after the audio
 * (INAM, IART, IPRD, ICRD, IGNR, ICMT), its RIFF size covering it. With none set, both write
 * what they wrote before this export existed. Unknown keys, lines without "=" and text that is
 * not valid UTF-8 (a stray or missing continuation byte, an overlong form, a UTF-16 surrogate,
 * a code point beyond U+10FFFF) are refused, keeping the details set before. */
BRENVIK_API int32_t SetSongDetails(const char* details);

/* SetMp3Quality: how SaveAsMp3 encodes from now on; 192 kbit/s constant until changed. */
enum {
    BRENVIK_MP3_CBR_192 = 0, /* 192 kbit/s constant bitrate */
    BRENVIK_MP3_CBR_320 = 1, /* 320 kbit/s constant bitrate */
    BRENVIK_MP3_VBR_V2 = 2   /* LAME's variable bitrate at quality V2, about 190 kbit/s */
};
BRENVIK_API int32_t SetMp3Quality(int32_t quality);

/* The sources recordings can come from, as the open engine's sound back end lists them.
 * ListSources writes a NUL-terminated text into buffer, one source a line, each line
 * "name<TAB>description<TAB>kind" and a line end, kind "input" or "monitor" (a monitor records
 * what an output plays; its description is that output's description). It returns the size the
 * whole list needs, NUL included, also when buffer is null or smaller (buffer then receives ""
 * when size > 0). A negative error number when the list cannot be had: -BRENVIK_ERR_NOT_OPEN
 * while the engine is closed, -BRENVIK_ERR_BAD_DEVICE when no sound server answers,
 * -BRENVIK_ERR_UNSPECIFIED when the back end cannot list. The sound server's back end lists all
 * of its sources; PortAudio its default input only, under its own name; the simulated card
 * one input named "sim". */
BRENVIK_API int32_t ListSources(char* buffer, int32_t size);

/* Chooses, by its name in ListSources, the source that recordings use from now on; null or ""
 * means the server's default. It takes effect at the next RecordWav, without reopening the
 * track, and stays chosen across CloseLib and OpenLib while the source exists (an OpenLib that
 * no longer finds it goes back to the default). Returns 0; BRENVIK_ERR_BAD_DEVICE for a name
 * that is not listed (the choice stays as it was); BRENVIK_ERR_STILL_PLAYING while a transport
 * runs; BRENVIK_ERR_NOT_OPEN while the engine is closed; or the listing's error number (as
 * ListSources gives it, positive) when the sources cannot be listed. */
BRENVIK_API int32_t SelectSource(const char* name);

/* The input lost during the last recording: stretches the computer did not take in time from
 * the sound system, recorded as silence. GetLostInput writes up to count pairs (first frame,
 * frame count) into stretches (2 * count values), the first frame counted in the track as
 * StopWav left it (after the turn, oldest first), and returns the number of stretches, which
 * may be more than count. 0 when nothing was lost; RecordWav, CloseLib and OpenLib clear it.
 * stretches may be null when count is 0. */
BRENVIK_API int32_t GetLostInput(int32_t* stretches, int32_t count);

/* How far StopWav turned the track after the last recording: the ring position whose frame
 * became the first (0 <= position < track length), or -1 when that recording was not turned
 * (it held fewer than 10 frames and never wrapped) or no recording was stopped since OpenLib.
 * RecordWav sets it back to -1. Lets a caller that followed the recording frame by frame place
 * what it saw in the turned track. */
BRENVIK_API int32_t GetRingTurn(void);
/* Where the last recording went on from another source: the sound server moves a recording
 * whose source goes away (a headset unplugged, a device's module unloaded) to another one, and
 * the recording runs on from there. GetSourceChanges writes a NUL-terminated text into buffer,
 * one change a line, oldest first, each "frame<TAB>from<TAB>to" and a line end: the track frame
 * from which on the audio comes from the other source, counted as GetLostInput counts its
 * frames, then the descriptions of the source that went away and of the one that followed it
 * (tabs and line ends in them become spaces). It returns the size the whole text needs, NUL
 * included, also when buffer is null or smaller (buffer then receives "" when size > 0); 0 when
 * the recording stayed with its source. RecordWav, CloseLib and OpenLib clear it. Only the
 * sound server's back end notices such moves. A source that goes away with no other left ends
 * the recording as a device that stops moving does (see OpenLib). */
BRENVIK_API int32_t GetSourceChanges(char* buffer, int32_t size);

/* The programs that play into the output the chosen recording source monitors, as the sound
 * server knows them: GetSourcePlayers writes up to count process ids into processes and returns
 * how many there are, which may be more than count. 0 when the source monitors no output, no
 * program plays into it, the engine is closed, or the back end is not the sound server's.
 * processes may be null when count is 0. Lets a caller tell which of several players is the
 * one being recorded. */
BRENVIK_API int32_t GetSourcePlayers(int32_t* processes, int32_t count);

/* WaveFrames: how many frames of audio the WAV file at path holds, as LoadWave reads them (a
 * mono file's values each become a frame), at most INT32_MAX; so a caller can tell whether the
 * file fits in the track. Or the negated code LoadWave would reject the file with (-10 to -16;
 * -BRENVIK_LOAD_CANNOT_OPEN also for a null path). Only the header is read; no track is needed. */
BRENVIK_API int32_t WaveFrames(const char* path);

/* WaveSampleBits: the bits per sample that the format chunk of the WAV file at path gives, also
 * when LoadWave refuses the file for them (BRENVIK_LOAD_NOT_16_BIT), so that a caller can say
 * what the file holds; or the negated code LoadWave would reject the file with for anything
 * else (-BRENVIK_LOAD_CANNOT_OPEN also for a null path). Only the header is read; no track is
 * needed. */
BRENVIK_API int32_t WaveSampleBits(const char* path);

/* How far the SaveAsWave or SaveAsMp3 that runs now on another thread has come: the bytes of
 * its file written so far, 0 while no save runs. A save writes its file beside the target and
 * renames it into place only when it is complete, so the size at the path shows nothing
 * meanwhile. It runs beside any other call (see the top of this file). */
BRENVIK_API int32_t SaveProgress(void);

/* Where the track is kept. OpenLib keeps it in a take file, "take-N.ring" in the take folder
 * ($XDG_STATE_HOME/quorvel, else ~/.local/state/quorvel): a page that says what the file holds
 * and how far a recording had come, then the track's frames, mapped so that what is recorded is
 * in the system's page cache at once. A process killed during a recording loses nothing, and
 * once a second the frames recorded since are written to the disk, so that a power cut loses
 * about a second. The file is allocated whole by OpenLib (a full disk shows then, never during a
 * take) and locked while the engine holds it, so no two engines share one; OpenLib takes the
 * first name that is free and holds nothing worth keeping, never a file of an unsaved take nor
 * one that ListTakes refuses. RecordWav starts a new take in it; a successful SaveAsWave or
 * SaveAsMp3 marks the take saved; LoadWave marks the track as no take. The thirteen behave as
 * they do with a track in memory.
 * KeepTrackInMemory(1) keeps the tracks of the OpenLib calls that follow in memory only, as
 * does a take folder where no file can be made (no room, read-only, no home); 0 goes back to
 * take files. It returns 0, and keeps its setting for the rest of the process.
 * GetTrackStore says where the open track is. */
enum {
    BRENVIK_STORE_NONE = 0,     /* no track: before OpenLib, after CloseLib */
    BRENVIK_STORE_FILE = 1,     /* in a take file */
    BRENVIK_STORE_MEMORY = 2,   /* in memory, as KeepTrackInMemory asked */
    BRENVIK_STORE_FELL_BACK = 3 /* in memory, because no take file could be made */
};
BRENVIK_API int32_t KeepTrackInMemory(int32_t inMemory);
BRENVIK_API int32_t GetTrackStore(void);

/* The takes left in the take folder by engines that are gone. ListTakes writes a NUL-terminated
 * text into buffer, one file a line, newest first, each "path<TAB>state<TAB>frames<TAB>length
 * <TAB>started<TAB>ended<TAB>source" and a line end: state "unsaved" for a take that was
 * recording when its process ended, or was recorded and never saved; "other-version",
 * "wrong-size" or "broken" for a file that is not a take this engine can read, which is never
 * loaded nor reused and left as it is. frames is how many frames were recorded (more than the
 * track length once the ring wrapped), length the track length, started and ended the times of
 * the recording's start and of its newest frame in milliseconds since 1970 (UTC), source the
 * name of the source it was recorded from ("" the default). Files that a running engine holds
 * are left out. It returns the size the whole text needs, NUL included, also when buffer is
 * null or smaller (buffer then receives "" when size > 0); 0 when there is none.
 * OpenTake opens the engine as OpenLib does, on the unsaved take at path with its track length,
 * turned oldest-first as StopWav would have turned it; the take file stays the engine's and
 * the take stays unsaved. It returns what OpenLib returns, or BRENVIK_TAKE_REFUSED (the engine
 * closed) when path is no unsaved take or another engine holds it.
 * DiscardTake removes the unsaved take at path: 0, or BRENVIK_TAKE_REFUSED when path is no
 * unsaved take or another engine holds it (nothing is removed). */
enum { BRENVIK_TAKE_REFUSED = -1 };
BRENVIK_API int32_t ListTakes(char* buffer, int32_t size);
BRENVIK_API int32_t OpenTake(const char* path, int32_t logging);
BRENVIK_API int32_t DiscardTake(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* BRENVIK_H */
