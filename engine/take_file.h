// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "frame.h"
#include "take_header.h"

namespace brenvik {

// Why a file in the take folder is not one this engine may load or reuse. A refused file is
// left as it is.
enum class TakeRefusal { kNone, kOtherVersion, kWrongSize, kBrokenHeader };

// What a take file says about itself, read without taking it.
struct TakeInfo {
    std::string path;
    TakeRefusal refusal = TakeRefusal::kNone;
    int32_t phase = TakeHeader::kEmpty;
    bool saved = false;
    int32_t trackLength = 0;
    int64_t recordedFrames = 0;
    int64_t startedMs = 0;
    int64_t lastFrameMs = 0;
    std::string source;

    // A take that was recording when its process ended, or recorded and never saved.
    bool unsaved() const;
};

// One take file, "take-N.ring" in the take folder: a page of TakeHeader, then the track's frames,
// mapped shared, so that what the audio thread writes is in the page cache at once and survives
// the process. The file is locked (flock) while it is held, so that no two engines share one;
// it is allocated whole when it is made, so a full disk shows then, not during a take.
class TakeFile {
public:
    // The folder takes are kept in: $XDG_STATE_HOME/quorvel, or ~/.local/state/quorvel.
    static std::string folder();

    // Makes a take file for a zeroed track of frames frames in folder (made if missing), under
    // the first name that is free, or whose file holds nothing worth keeping (empty, saved)
    // and that no other process holds; none when the folder cannot be made or the disk has no
    // room (nothing is left behind then).
    static std::optional<TakeFile> create(const std::string& folder, int32_t frames);
    // Takes the unsaved take at path; none when it is refused, held by another process, saved,
    // or cannot be opened.
    static std::optional<TakeFile> takeUnsaved(const std::string& path);
    // The files in folder that hold an unsaved take or are refused, newest first; files that a
    // running engine holds are left out.
    static std::vector<TakeInfo> survey(const std::string& folder);
    // Removes the unsaved take at path; false when it is not one or another process holds it.
    static bool discard(const std::string& path);

    TakeFile(TakeFile&& other) noexcept;
    TakeFile& operator=(TakeFile&& other) noexcept;
    TakeFile(const TakeFile&) = delete;
    TakeFile& operator=(const TakeFile&) = delete;
    ~TakeFile();

    const std::string& path() const { return path_; }
    TakeHeader& header() const { return *static_cast<TakeHeader*>(mapping_); }
    std::span<Frame> frames() const;

    // Writes the frames from..to (ring frames, to excluded) to the disk; false on an error.
    bool flushFrames(int64_t from, int64_t to) const;
    // Writes the header page, then the whole file, to the disk.
    bool flushHeader() const;
    bool flushAll() const;

private:
    TakeFile(std::string path, int fd, void* mapping, std::size_t bytes);
    // Maps an open, locked file of a valid header; none when the mapping fails.
    static std::optional<TakeFile> map(std::string path, int fd);
    void release();

    std::string path_;
    int fd_ = -1;
    void* mapping_ = nullptr;
    std::size_t bytes_ = 0;
};

// The bytes a take file of frames frames has.
std::size_t takeFileBytes(int32_t frames);
// Reads what the file at path says about itself; a refusal where it is not a take this engine
// wrote whole.
TakeInfo inspectTake(const std::string& path);

}  // namespace brenvik
