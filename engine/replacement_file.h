// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace brenvik {

// A save that either replaces its target whole or leaves it exactly as it was. The bytes go to
// a new file beside the target; commit() flushes that file to the disk and renames it over the
// target. A file that was not committed is removed when its owner goes, so a full disk, a
// failed encoder or a directory removed meanwhile leave no trace. When the target is a symbolic
// link, the file it names is replaced and the link stays.
//
// A new file gets mode 0666 less the umask; a replaced file keeps its mode.
class ReplacementFile {
public:
    // Refuses, creating nothing, a target without a file name, one that exists but is no
    // regular file (a FIFO, a device, a directory) or one the caller may not write; isOpen()
    // then says false. Each byte written is counted in progress, when given, as it goes.
    explicit ReplacementFile(const char* target, std::atomic<int64_t>* progress = nullptr);
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
    bool createBeside(const std::filesystem::path& target);

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    std::atomic<int64_t>* progress_;
};

}  // namespace brenvik
