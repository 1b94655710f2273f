// SPDX-License-Identifier: GPL-3.0-or-later
#include "stale_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace brenvik {
namespace {

constexpr std::size_t kNameStemBytes = 200;
constexpr std::size_t kSuffixDigits = 8;
constexpr std::array<std::string_view, 2> kSavedExtensions{".wav", ".mp3"};

bool isLowerHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool endsWithExtension(std::string_view stem, std::string_view extension)
{
    if (stem.size() <= extension.size()) {
        return false;
    }
    const std::string_view end = stem.substr(stem.size() - extension.size());
    return std::equal(end.begin(), end.end(), extension.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

bool isOlder(const timespec& time, const timespec& than)
{
    return time.tv_sec < than.tv_sec || (time.tv_sec == than.tv_sec && time.tv_nsec < than.tv_nsec);
}

struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

}  // namespace

std::string hiddenTemporaryName(std::string_view targetName, uint32_t suffix)
{
    std::array<char, kSuffixDigits + 1> digits{};
    std::snprintf(digits.data(), digits.size(), "%08x", suffix);
    return "." + std::string(targetName.substr(0, kNameStemBytes)) + "." + digits.data();
}

bool isStaleTemporaryName(std::string_view name)
{
    // ".", a stem, ".", the digits.
    if (name.size() < kSuffixDigits + 3 || name.front() != '.') {
        return false;
    }
    const std::string_view digits = name.substr(name.size() - kSuffixDigits);
    const std::string_view stem = name.substr(1, name.size() - kSuffixDigits - 2);
    if (name[name.size() - kSuffixDigits - 1] != '.' ||
        !std::all_of(digits.begin(), digits.end(), isLowerHexDigit)) {
        return false;
    }
    return std::any_of(
        kSavedExtensions.begin(), kSavedExtensions.end(),
        [stem](std::string_view extension) { return endsWithExtension(stem, extension); });
}

void removeStaleTemporaries(const std::filesystem::path& directory, const timespec& before)
{
    const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd < 0) {
        return;
    }
    // The stream owns the descriptor from here on.
    const std::unique_ptr<DIR, DirectoryCloser> entries(::fdopendir(directoryFd));
    if (!entries) {
        ::close(directoryFd);
        return;
    }
    while (const dirent* entry = ::readdir(entries.get())) {
        if (!isStaleTemporaryName(entry->d_name)) {
            continue;
        }
        struct stat status {};
        if (::fstatat(directoryFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
            isOlder(status.st_mtim, before)) {
            ::unlinkat(directoryFd, entry->d_name, 0);
        }
    }
}

}  // namespace brenvik
