// SPDX-License-Identifier: GPL-3.0-or-later
#include "error_explanations.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>

#include "brenvik.h"

namespace {

namespace fs = std::filesystem;

enum class Topic { Load, File, Device };

// Causes of file failures that the editor finds by itself, keyed beside the engine's codes.
enum FileCause : int32_t {
    kMissingFolder,
    kMissingFile,
    kNotRegular,
    kNoPermission,
    kReadOnly,
    kDiskFull,
    kCannotWrite,
    kCannotOpen,
};

struct Explanation {
    Topic topic;
    int32_t key;
    const char* text;  // {name} is the file's name, {path} its path, {bits} its sample size
};

constexpr std::array kExplanations{
    Explanation{Topic::Load, BRENVIK_LOAD_NOT_STEREO,
                "The audio of {name} was loaded. It is not stereo: a mono file plays on both "
                "channels, other channel counts are read as if they were stereo."},
    Explanation{Topic::Load, BRENVIK_LOAD_OTHER_RATE,
                "The audio of {name} was loaded. Its sample rate is not 44100 Hz: it plays faster "
                "or slower than it was recorded."},
    Explanation{Topic::Load, BRENVIK_LOAD_NOT_STEREO | BRENVIK_LOAD_OTHER_RATE,
                "The audio of {name} was loaded. It is neither stereo nor 44100 Hz: it may play on "
                "the wrong channels and faster or slower than it was recorded."},
    Explanation{Topic::Load, BRENVIK_LOAD_NO_RIFF,
                "{name} is not a WAV file: it does not start with RIFF."},
    Explanation{Topic::Load, BRENVIK_LOAD_NO_WAVE,
                "{name} is a RIFF file but holds no WAVE audio."},
    Explanation{Topic::Load, BRENVIK_LOAD_NO_FMT,
                "{name} has no format chunk, so its audio cannot be read."},
    Explanation{Topic::Load, BRENVIK_LOAD_NOT_PCM,
                "{name} is compressed audio; Quorvel opens 16-bit PCM WAV files."},
    Explanation{Topic::Load, BRENVIK_LOAD_NOT_16_BIT,
                "{name} is {bits}-bit audio; Quorvel opens 16-bit PCM WAV files."},
    Explanation{Topic::Load, BRENVIK_LOAD_NO_DATA,
                "{name} holds no audio data, or ends before its audio does."},
    Explanation{Topic::File, kMissingFolder, "{path}: the folder does not exist"},
    Explanation{Topic::File, kMissingFile, "{path}: the file does not exist"},
    Explanation{Topic::File, kNotRegular, "{path}: not a regular file"},
    Explanation{Topic::File, kNoPermission, "{path}: permission denied"},
    Explanation{Topic::File, kReadOnly, "{path}: the disk is read-only"},
    Explanation{Topic::File, kDiskFull, "{path}: the disk is full"},
    Explanation{Topic::File, kCannotWrite, "{path}: the file could not be written"},
    Explanation{Topic::File, kCannotOpen, "{path}: the file could not be opened"},
    Explanation{Topic::Device, BRENVIK_ERR_UNSPECIFIED,
                "The sound system failed without saying why. Try again; if it keeps failing, "
                "restart Quorvel."},
    Explanation{Topic::Device, BRENVIK_ERR_BAD_DEVICE,
                "No sound device or input source could be found or opened. Check that it is "
                "connected and that the sound server runs, then try again."},
    Explanation{
        Topic::Device, BRENVIK_ERR_ALLOCATED,
        "The sound device is busy: another program uses it. Close that program, then try again."},
    Explanation{
        Topic::Device, BRENVIK_ERR_NOT_OPEN,
        "A sound device is not open: it could not be opened, or was closed. Check that it is "
        "connected and that the sound server runs, then open the devices again with File > New."},
    Explanation{Topic::Device, BRENVIK_ERR_NOT_RESPONDING,
                "The sound device stopped answering and was given up; what was recorded until then "
                "is kept. Check that the sound server runs, then try again."},
    Explanation{Topic::Device, BRENVIK_ERR_NO_MEMORY,
                "There is not enough memory. Close other programs or choose a smaller track with "
                "File > New."},
    Explanation{Topic::Device, BRENVIK_ERR_NO_BUFFER,
                "The sound system was handed no audio buffer, a fault inside Quorvel. Try again; "
                "if it keeps failing, restart Quorvel."},
    Explanation{Topic::Device, BRENVIK_ERR_BAD_FORMAT,
                "The sound device refuses 44100 Hz 16-bit stereo audio. Choose another device or "
                "input source."},
    Explanation{
        Topic::Device, BRENVIK_ERR_STILL_PLAYING,
        "This cannot be done while Quorvel plays or records. Press Stop first, then try again."},
    Explanation{Topic::Device, BRENVIK_ERR_UNPREPARED,
                "The sound system was handed an unprepared audio buffer, a fault inside Quorvel. "
                "Try again; if it keeps failing, restart Quorvel."},
};

void replaceAll(std::string& text, const std::string& field, const std::string& value)
{
    for (size_t at = text.find(field); at != std::string::npos;
         at = text.find(field, at + value.size()))
        text.replace(at, field.size(), value);
}

std::string explanation(Topic topic, int32_t key, const std::string& path = {},
                        const std::string& bits = {})
{
    for (const Explanation& entry : kExplanations) {
        if (entry.topic != topic || entry.key != key) continue;
        std::string text = entry.text;
        replaceAll(text, "{name}", fs::path(path).filename().string());
        replaceAll(text, "{path}", path);
        replaceAll(text, "{bits}", bits);
        return text;
    }
    return {};
}

FileCause accessCause(int error)
{
    return error == EROFS ? kReadOnly : kNoPermission;
}

FileCause openCause(const std::string& path)
{
    std::error_code error;
    if (!fs::exists(path, error)) return kMissingFile;
    if (!fs::is_regular_file(path, error)) return kNotRegular;
    if (access(path.c_str(), R_OK) != 0) return accessCause(errno);
    return kCannotOpen;
}

FileCause saveCause(const std::string& path)
{
    std::error_code error;
    const fs::path folder =
        fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
    if (!fs::is_directory(folder, error)) return kMissingFolder;
    const bool exists = fs::exists(path, error);
    if (exists && !fs::is_regular_file(path, error)) return kNotRegular;
    if (access(exists ? path.c_str() : folder.c_str(), W_OK) != 0) return accessCause(errno);
    struct statvfs disk {};
    if (statvfs(folder.c_str(), &disk) == 0 && disk.f_bavail == 0) return kDiskFull;
    return kCannotWrite;
}

}  // namespace

std::string explainLoad(const EngineApi& engine, int32_t code, const std::string& path)
{
    if (code == BRENVIK_LOAD_CANNOT_OPEN) return explanation(Topic::File, openCause(path), path);
    if (code == BRENVIK_LOAD_NOT_16_BIT) {
        if (const int32_t bits = engine.WaveSampleBits(path.c_str()); bits > 0)
            return explanation(Topic::Load, code, path, std::to_string(bits));
    }
    return explanation(Topic::Load, code, path, "not 16");
}

std::string explainSave(const std::string& path)
{
    return explanation(Topic::File, saveCause(path), path);
}

std::string explainDevice(int32_t code)
{
    return explanation(Topic::Device, code);
}
