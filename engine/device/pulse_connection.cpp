// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulse_connection.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

namespace brenvik::device {

namespace {

// What the listing callbacks gather, and whether the server has said the list is complete.
struct SinkDescriptions {
    pa_threaded_mainloop* loop;
    std::map<uint32_t, std::string> byIndex;
};

struct SourceList {
    pa_threaded_mainloop* loop;
    const std::map<uint32_t, std::string>* sinkDescriptions;
    std::vector<SourceInfo> sources;
};

// Tabs and line ends separate the fields and lines of the engine's list of sources.
std::string oneLine(const char* text)
{
    std::string line = text ? text : "";
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\t' || c == '\n'; }, ' ');
    return line;
}

void onSink(pa_context*, const pa_sink_info* sink, int, void* user)
{
    auto& gathered = *static_cast<SinkDescriptions*>(user);
    if (sink) {
        gathered.byIndex[sink->index] = oneLine(sink->description);
    }
    PulseConnection::wake(gathered.loop);
}

void onSource(pa_context*, const pa_source_info* source, int, void* user)
{
    auto& gathered = *static_cast<SourceList*>(user);
    if (source) {
        SourceInfo info{oneLine(source->name), oneLine(source->description),
                        SourceInfo::Kind::kInput};
        if (source->monitor_of_sink != PA_INVALID_INDEX) {
            info.kind = SourceInfo::Kind::kMonitor;
            const auto sink = gathered.sinkDescriptions->find(source->monitor_of_sink);
            if (sink != gathered.sinkDescriptions->end()) {
                info.description = sink->second;
            }
        }
        gathered.sources.push_back(std::move(info));
    }
    PulseConnection::wake(gathered.loop);
}

// The output a source monitors, and the programs that play into it.
struct MonitoredOutput {
    pa_threaded_mainloop* loop;
    uint32_t sink = PA_INVALID_INDEX;
    std::vector<int32_t> processes;
};

void onMonitoringSource(pa_context*, const pa_source_info* source, int, void* user)
{
    auto& gathered = *static_cast<MonitoredOutput*>(user);
    if (source) {
        gathered.sink = source->monitor_of_sink;
    }
    PulseConnection::wake(gathered.loop);
}

void onSinkInput(pa_context*, const pa_sink_input_info* input, int, void* user)
{
    auto& gathered = *static_cast<MonitoredOutput*>(user);
    const char* process =
        input ? pa_proplist_gets(input->proplist, PA_PROP_APPLICATION_PROCESS_ID) : nullptr;
    if (process && input->sink == gathered.sink) {
        gathered.processes.push_back(static_cast<int32_t>(std::strtol(process, nullptr, 10)));
    }
    PulseConnection::wake(gathered.loop);
}

void onContextState(pa_context*, void* user)
{
    PulseConnection::wake(static_cast<pa_threaded_mainloop*>(user));
}

// A bounded wait's alarm.
struct Alarm {
    pa_threaded_mainloop* loop;
    bool rung = false;
};

void onTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* user)
{
    auto& alarm = *static_cast<Alarm*>(user);
    alarm.rung = true;
    PulseConnection::wake(alarm.loop);
}

}  // namespace

PulseConnection::PulseConnection()
{
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) {
        return;
    }
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Quorvel");
    if (!context_) {
        return;
    }
    pa_context_set_state_callback(context_, &onContextState, loop_);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
        return;
    }
    PulseLock lock(*this);
    waitFor([this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; });
}

PulseConnection::~PulseConnection()
{
    if (loop_) {
        pa_threaded_mainloop_stop(loop_);
    }
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_) {
        pa_threaded_mainloop_free(loop_);
    }
}

bool PulseConnection::connected()
{
    if (!context_) {
        return false;
    }
    PulseLock lock(*this);
    return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseConnection::contextUsable()
{
    return PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
}

bool PulseConnection::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    Alarm alarm{loop_};
    const auto microseconds = std::chrono::duration_cast<std::chrono::microseconds>(limit);
    const pa_usec_t at = pa_rtclock_now() + static_cast<pa_usec_t>(microseconds.count());
    pa_time_event* timer = pa_context_rttime_new(context_, at, &onTimer, &alarm);
    while (!done() && !alarm.rung && contextUsable() && timer) {
        pa_threaded_mainloop_wait(loop_);
    }
    if (timer) {
        pa_threaded_mainloop_get_api(loop_)->time_free(timer);
    }
    return done();
}

bool PulseConnection::finish(pa_operation* operation)
{
    if (!operation) {
        return false;
    }
    const bool finished =
        waitFor([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
    if (!finished) {
        pa_operation_cancel(operation);
    }
    pa_operation_unref(operation);
    return finished;
}

int32_t PulseConnection::listSources(std::vector<SourceInfo>& sources)
{
    if (!connected()) {
        return kBadDeviceId;
    }
    PulseLock lock(*this);
    SinkDescriptions sinks{loop_, {}};
    if (!finish(pa_context_get_sink_info_list(context_, &onSink, &sinks))) {
        return kError;
    }
    SourceList list{loop_, &sinks.byIndex, {}};
    if (!finish(pa_context_get_source_info_list(context_, &onSource, &list))) {
        return kError;
    }
    sources = std::move(list.sources);
    return kNoError;
}

int32_t PulseConnection::sourcePlayers(const std::string& source, std::vector<int32_t>& processes)
{
    processes.clear();
    if (!connected()) {
        return kBadDeviceId;
    }
    PulseLock lock(*this);
    MonitoredOutput output{loop_, PA_INVALID_INDEX, {}};
    const std::string name = source.empty() ? "@DEFAULT_SOURCE@" : source;
    if (!finish(pa_context_get_source_info_by_name(context_, name.c_str(), &onMonitoringSource,
                                                   &output))) {
        return kError;
    }
    if (output.sink == PA_INVALID_INDEX) {
        return kNoError;
    }
    if (!finish(pa_context_get_sink_input_info_list(context_, &onSinkInput, &output))) {
        return kError;
    }
    processes = std::move(output.processes);
    return kNoError;
}

int32_t PulseConnection::errorNumber()
{
    switch (pa_context_errno(context_)) {
        case PA_ERR_BUSY: return kAllocated;
        case PA_ERR_NOTSUPPORTED:
        case PA_ERR_INVALID: return kBadFormat;
        case PA_ERR_NOENTITY:
        case PA_ERR_CONNECTIONREFUSED:
        case PA_ERR_CONNECTIONTERMINATED: return kBadDeviceId;
        default: return kError;
    }
}

}  // namespace brenvik::device
