// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace brenvik {

// How the new bytes wait for their commit.
enum class TemporaryFile {
    // A file without a name in the target's folder (O_TMPFILE), so that a process killed
    // during the save leaves nothing behind; a named hidden file where the file system refuses.
    kUnnamedWherePossible,
    // Always the named hidden file, as on a file system that refuses files without a name.
    kNamed,
};

// A save that either replaces its target whole or leaves it exactly as it was. The bytes go to
// a new file in the target's folder that has no name until it is complete; commit() flushes it
// to the disk, links it under a hidden name beside the target and renames that over the
// target. A file that was not committed is removed when its owner goes, so a full disk, a
// failed encoder or a directory removed meanwhile leave no trace, and a killed process leaves
// none either where the file system takes files without a name. When the target is a symbolic
// link, the file it names is replaced and the link stays.
//
// The hidden name is "." + the target's name + "." + eight lower-case hexadecimal digits. Such
// files that a save killed on a file system without unnamed files left are removed by the next
// save into their folder: regular files of the caller's own, of that exact pattern around a
// ".wav" or ".mp3" name, last changed before the new save began. Nothing else is touched.
//
// A new file gets mode 0666 less the umask; a replaced file keeps its mode.
class ReplacementFile {
public:
    // Refuses, creating nothing, a target without a file name, one that exists but is no
    // regular file (a FIFO, a device, a directory) or one the caller may not write; isOpen()
    // then says false. Each byte written is counted in progress, when given, as it goes.
    explicit ReplacementFile(const char* target, std::atomic<int64_t>* progress = nullptr,
                             TemporaryFile temporary = TemporaryFile::kUnnamedWherePossible);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    // Appends all count bytes, resuming after partial writes; false when the file takes no more.
    bool append(const void* bytes, std::size_t count);

    // Writes all count bytes at offset, over bytes appended before; false when that fails.
    bool writeAt(std::size_t offset, const void* bytes, std::size_t count);

    // True only when every byte is on the disk and the file has taken the target's place; on
    // false the target is untouched. Nothing may be written afterwards.
    bool commit();

private:
    bool createUnnamed(const std::filesystem::path& directory);
    bool createBeside(const std::filesystem::path& target);
    // Gives the unnamed file its hidden name beside the target.
    bool linkBeside();
    // Creates the hidden name through make(name), trying fresh random names while it exists.
    template <typename Make>
    bool withHiddenName(Make make);

    std::string target_;
    std::string temporary_;  // the hidden name, once the file has one
    int fd_ = -1;
    std::atomic<int64_t>* progress_;
};

}  // namespace brenvik
