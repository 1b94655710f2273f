#pragma once

#include <cstdio>
#include <memory>

namespace brenvik {

// A stdio file that is closed when its owner goes. Where the close's result matters, the owner
// closes it itself: std::fclose(file.release()).
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace brenvik
