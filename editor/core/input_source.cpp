// SPDX-License-Identifier: GPL-3.0-or-later
// Control > Input Source: the sources the engine lists, the user's choice among them, stored in
// the settings by name and chosen again at start, and the window telling what is recorded.
#include <sstream>

#include "messages.h"
#include "transport_commands.h"

namespace {

const char* const kSettingsSection = "Defaults";
const char* const kSourceKey = "Source";

struct ListedSource {
    std::string name;
    std::string description;
    bool monitor = false;
};

// The engine's sources, one a line: name, description and kind between tabs. Empty when the
// engine cannot list them.
std::vector<ListedSource> listedSources(EngineApi& engine)
{
    const int32_t size = engine.ListSources(nullptr, 0);
    if (size <= 0) return {};
    std::string text(size_t(size), '\0');
    if (engine.ListSources(text.data(), size) != size) return {};
    std::vector<ListedSource> sources;
    std::istringstream lines(text.c_str());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        ListedSource source;
        std::string kind;
        std::getline(fields, source.name, '\t');
        std::getline(fields, source.description, '\t');
        std::getline(fields, kind, '\t');
        source.monitor = kind == "monitor";
        sources.push_back(source);
    }
    return sources;
}

// How the menu and the window name a source: a monitor by the output it records.
std::string shownName(const ListedSource& source)
{
    return source.monitor ? messages::monitorSource(source.description) : source.description;
}

}  // namespace

void TransportCommands::chooseInputSource()
{
    const std::vector<ListedSource> sources = listedSources(engine_);
    const std::string chosen = window_.readSetting(kSettingsSection, kSourceKey, "");
    std::vector<std::string> choices{messages::kDefaultSource};
    int checked = 0;
    for (const ListedSource& source : sources) {
        if (source.name == chosen) checked = int(choices.size());
        choices.push_back(shownName(source));
    }
    const int picked = window_.chooseSource(choices, checked);
    if (picked < 0 || size_t(picked) >= choices.size()) return;
    const std::string name = picked == 0 ? "" : sources[size_t(picked - 1)].name;
    const int32_t lRet = engine_.SelectSource(name.c_str());
    context_.reportEngineError(messages::kErrorSelectSource, lRet);
    if (lRet != BRENVIK_OK) return;
    window_.writeSetting(kSettingsSection, kSourceKey, name);
    showRecordingSource();
}

void TransportCommands::applyStoredSource()
{
    const std::string stored = window_.readSetting(kSettingsSection, kSourceKey, "");
    if (!stored.empty() && engine_.SelectSource(stored.c_str()) == BRENVIK_ERR_BAD_DEVICE) {
        window_.messageBox(messages::inputSourceGone(stored));
        window_.writeSetting(kSettingsSection, kSourceKey, "");
    }
    showRecordingSource();
}

void TransportCommands::showRecordingSource()
{
    const std::string chosen = window_.readSetting(kSettingsSection, kSourceKey, "");
    std::string shown = messages::kDefaultSource;
    for (const ListedSource& source : listedSources(engine_)) {
        if (source.name == chosen) shown = shownName(source);
    }
    window_.showRecordingSource(messages::recordingFrom(shown));
}
