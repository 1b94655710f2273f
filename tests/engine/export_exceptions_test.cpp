// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's exports when the C++ library throws inside them: memory that cannot be had, a
// thread that cannot start. This executable replaces operator new and pthread_create, and can
// make either fail for the calling thread; each export must then return its failure code, as
// no exception may cross the C interface, and the engine must still work afterwards.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <cerrno>
#include <cstdlib>
#include <new>

#include "brenvik.h"
#include "log_capture.h"

namespace {

thread_local bool refuseMemory = false;
thread_local bool refuseThreads = false;

// Makes allocations, or thread starts, fail on this thread while it lives.
class Refusal {
public:
    explicit Refusal(bool& what)
        : what_(what)
    {
        what_ = true;
    }
    ~Refusal() { what_ = false; }
    Refusal(const Refusal&) = delete;
    Refusal& operator=(const Refusal&) = delete;

private:
    bool& what_;
};

template <typename Export>
int32_t withoutMemory(Export call)
{
    const Refusal refusal(refuseMemory);
    return call();
}

template <typename Export>
int32_t withoutThreads(Export call)
{
    const Refusal refusal(refuseThreads);
    return call();
}

}  // namespace

// The replacements allocate with malloc and free with free. The deletes are kept out of line:
// inlined beside a new, gcc takes the free for a mismatch.
void* operator new(std::size_t size)
{
    if (!refuseMemory) {
        if (void* block = std::malloc(size == 0 ? 1 : size)) {
            return block;
        }
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return ::operator new(size);
}
[[gnu::noinline]] void operator delete(void* block) noexcept
{
    std::free(block);
}
[[gnu::noinline]] void operator delete[](void* block) noexcept
{
    std::free(block);
}
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
[[gnu::noinline]] void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument)
{
    if (refuseThreads) {
        return EAGAIN;
    }
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    return next(thread, attributes, start, argument);
}

namespace {

constexpr int32_t kLength = 1000;

class ExportExceptionsTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("BRENVIK_AUDIO", "sim", 1); }
    void TearDown() override { CloseLib(); }

    // Closed after the failure (which gives "not open" for the input device that never opened),
    // the engine opens, holds audio, plays and closes as if nothing had happened.
    static void expectAWorkingEngine()
    {
        CloseLib();
        ASSERT_EQ(OpenLib(kLength, 0), 0);
        EXPECT_EQ(TrackWrite(2 * kLength - 1, 77), 0);
        EXPECT_EQ(TrackRead(2 * kLength - 1), 77);
        EXPECT_EQ(PlayWav(0, kLength), 0);
        EXPECT_EQ(StopWav(), 0);
        EXPECT_EQ(CloseLib(), 0);
    }

    LogCapture log;
};

TEST_F(ExportExceptionsTest, OpenLibWithoutMemory_ReturnsNoMemory)
{
    // With logging on, working out the log's path is the first thing that needs memory; without,
    // the sound device layer is.
    for (const int32_t logging : {0, 1}) {
        EXPECT_EQ(withoutMemory([=] { return OpenLib(kLength, logging); }), BRENVIK_ERR_NO_MEMORY)
            << "logging " << logging;
        expectAWorkingEngine();
    }
}

TEST_F(ExportExceptionsTest, OpenLibWhenNoDeviceThreadCanStart_ReturnsUnspecified)
{
    EXPECT_EQ(withoutThreads([] { return OpenLib(kLength, 0); }), BRENVIK_ERR_UNSPECIFIED);
    expectAWorkingEngine();
}

}  // namespace
