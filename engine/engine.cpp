// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine.h"

namespace brenvik {

Engine::Engine(BackendFactory makeBackend, std::chrono::milliseconds deviceDeadline,
               std::chrono::milliseconds stallPeriod)
    : makeBackend_(std::move(makeBackend)),
      deviceDeadline_(deviceDeadline),
      stallPeriod_(stallPeriod)
{}

Engine::~Engine()
{
    // A client that never closed gets its devices stopped, but nothing logged on its behalf.
    log_->setEnabled(false);
    try {
        close();
    } catch (...) {
        // Only memory for a device call can be missing here, as the process ends anyway.
    }
}

int32_t Engine::open(int32_t trackLength, bool logging)
{
    if (session_) {
        close();
    }
    log_->setEnabled(logging);
    log_->write("OpenLib\n");
    // All memory comes first, so that a track that cannot be had leaves no device open.
    SessionMemory memory;
    if (!allocateTrack(memory, trackLength)) {
        return device::kNoMemory;
    }
    return start(std::move(memory));
}

bool Engine::allocateTrack(SessionMemory& memory, int32_t trackLength)
{
    store_ = TrackStore::kMemory;
    if (inMemoryOnly_ || trackLength < 1 || trackLength > SessionMemory::kMaxFrames) {
        return memory.allocate(trackLength);
    }
    std::optional<TakeFile> take = TakeFile::create(TakeFile::folder(), trackLength);
    if (take && memory.adopt(std::move(*take))) {
        store_ = TrackStore::kFile;
        return true;
    }
    log_->write("Err:no take file, the track is kept in memory\n");
    store_ = TrackStore::kFellBack;
    return memory.allocate(trackLength);
}

int32_t Engine::openTake(const std::string& path, bool logging)
{
    if (session_) {
        close();
    }
    log_->setEnabled(logging);
    log_->write("OpenLib\n");
    std::optional<TakeFile> take = TakeFile::takeUnsaved(path);
    if (!take) {
        return kTakeRefused;
    }
    SessionMemory memory;
    if (!memory.adopt(std::move(*take))) {
        return device::kNoMemory;
    }
    turnRecoveredTake(memory);
    store_ = TrackStore::kFile;
    return start(std::move(memory));
}

int32_t Engine::start(SessionMemory memory)
{
    try {
        session_ = std::make_unique<Session>(std::move(memory), log_, makeBackend_, deviceDeadline_,
                                             stallPeriod_);
        const int32_t result = session_->open();
        // A chosen source that is gone by now gives way to the default one.
        if (result == device::kNoError &&
            session_->selectSource(chosenSource_) != device::kNoError) {
            chosenSource_.clear();
        }
        return result;
    } catch (...) {
        Session::retire(std::move(session_));
        throw;
    }
}

int32_t Engine::close()
{
    log_->write("CloseLib\n");
    if (!session_) {
        return device::kNoError;
    }
    const int32_t result = session_->close();
    Session::retire(std::move(session_));
    if (result != device::kNoError) {
        log_->write("Err:CloseLib\n");
    }
    return result;
}

int32_t Engine::listSources(std::vector<device::SourceInfo>& sources)
{
    return session_ ? session_->listSources(sources) : device::kInvalidHandle;
}

int32_t Engine::sourcePlayers(std::vector<int32_t>& processes)
{
    return session_ ? session_->sourcePlayers(chosenSource_, processes) : device::kInvalidHandle;
}

int32_t Engine::selectSource(const std::string& name)
{
    if (!session_) {
        return device::kInvalidHandle;
    }
    const int32_t result = session_->selectSource(name);
    if (result == device::kNoError) {
        chosenSource_ = name;
    }
    return result;
}

int32_t Engine::ringTurn() const
{
    return session_ ? session_->ringTurn() : -1;
}

const std::vector<FrameRange>& Engine::lostInput() const
{
    static const std::vector<FrameRange> kNothingLost;
    return session_ ? session_->lostInput() : kNothingLost;
}

const std::vector<Session::SourceChange>& Engine::sourceChanges() const
{
    static const std::vector<Session::SourceChange> kNoChange;
    return session_ ? session_->sourceChanges() : kNoChange;
}

void Engine::trackSaved()
{
    if (TakeKeeper* keeper = takeKeeper()) {
        keeper->saved();
    }
}

void Engine::trackReplaced()
{
    if (TakeKeeper* keeper = takeKeeper()) {
        keeper->replaced();
    }
}

void Engine::clearTrack(FrameRange range)
{
    log_->write("deleteBuf\n");
    track().clear(range);
}

}  // namespace brenvik
