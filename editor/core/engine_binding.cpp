#include "engine_binding.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

template <typename Function>
bool resolve(void* library, const char* name, Function& entry, std::string& error)
{
    void* address = dlsym(library, name);
    if (!address) {
        const char* text = dlerror();
        error = text ? text : std::string("undefined symbol: ") + name;
        return false;
    }
    entry = reinterpret_cast<Function>(address);
    return true;
}

}  // namespace

std::string bindEngine(const char* libraryName, EngineApi& api)
{
    void* library = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* text = dlerror();
        return text ? text : std::string("cannot load ") + libraryName;
    }
    EngineApi bound;
    std::string error;
    const bool complete = resolve(library, "OpenLib", bound.OpenLib, error) &&
                          resolve(library, "CloseLib", bound.CloseLib, error) &&
                          resolve(library, "TrackRead", bound.TrackRead, error) &&
                          resolve(library, "TrackWrite", bound.TrackWrite, error) &&
                          resolve(library, "TrackClear", bound.TrackClear, error) &&
                          resolve(library, "PlayWav", bound.PlayWav, error) &&
                          resolve(library, "RecordWav", bound.RecordWav, error) &&
                          resolve(library, "StopWav", bound.StopWav, error) &&
                          resolve(library, "GetPosition", bound.GetPosition, error) &&
                          resolve(library, "IsPlaying", bound.IsPlaying, error) &&
                          resolve(library, "LoadWave", bound.LoadWave, error) &&
                          resolve(library, "SaveAsWave", bound.SaveAsWave, error) &&
                          resolve(library, "SaveAsMp3", bound.SaveAsMp3, error);
    if (!complete) {
        dlclose(library);
        return error;
    }
    api = bound;
    return {};
}

namespace {

// The program's one lazily bound table. Its entries start as forwarders that bind first.
struct LazyEngine {
    std::string libraryName;
    EngineBindFailure onFailure;
    EngineApi api;
};

LazyEngine& lazyEngine()
{
    static LazyEngine engine;
    return engine;
}

void bindOrExit()
{
    LazyEngine& engine = lazyEngine();
    const std::string error = bindEngine(engine.libraryName.c_str(), engine.api);
    if (error.empty()) return;
    std::fprintf(stderr, "%s\n", error.c_str());
    if (engine.onFailure) engine.onFailure(error);
    std::exit(1);
}

// A forwarder for the export held in member Entry: binds the library, then calls the real one.
template <auto Entry, typename... Args>
int32_t bindThenCall(Args... args)
{
    bindOrExit();
    return (lazyEngine().api.*Entry)(args...);
}

}  // namespace

EngineApi& lazyEngineApi(const char* libraryName, EngineBindFailure onFailure)
{
    LazyEngine& engine = lazyEngine();
    engine.libraryName = libraryName;
    engine.onFailure = std::move(onFailure);
    EngineApi& api = engine.api;
    api.OpenLib = bindThenCall<&EngineApi::OpenLib, int32_t, int32_t>;
    api.CloseLib = bindThenCall<&EngineApi::CloseLib>;
    api.TrackRead = bindThenCall<&EngineApi::TrackRead, int32_t>;
    api.TrackWrite = bindThenCall<&EngineApi::TrackWrite, int32_t, int32_t>;
    api.TrackClear = bindThenCall<&EngineApi::TrackClear, int32_t, int32_t>;
    api.PlayWav = bindThenCall<&EngineApi::PlayWav, int32_t, int32_t>;
    api.RecordWav = bindThenCall<&EngineApi::RecordWav>;
    api.StopWav = bindThenCall<&EngineApi::StopWav>;
    api.GetPosition = bindThenCall<&EngineApi::GetPosition>;
    api.IsPlaying = bindThenCall<&EngineApi::IsPlaying>;
    api.LoadWave = bindThenCall<&EngineApi::LoadWave, const char*>;
    api.SaveAsWave = bindThenCall<&EngineApi::SaveAsWave, int32_t, int32_t, const char*>;
    api.SaveAsMp3 = bindThenCall<&EngineApi::SaveAsMp3, int32_t, int32_t, const char*>;
    return api;
}
