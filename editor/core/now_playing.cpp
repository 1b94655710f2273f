// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <utility>

#include "now_playing.h"

namespace {

constexpr const char* kArtistTitleSeparator = " - ";

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

}  // namespace

std::optional<Announcement> announcementOf(const PlayerMetadata& metadata)
{
    Announcement announced{joined(metadata.artists),
                           metadata.streamTitle.empty() ? metadata.title : metadata.streamTitle,
                           metadata.album};
    if (announced.artist.empty()) {
        const size_t split = announced.title.find(kArtistTitleSeparator);
        if (split != std::string::npos && split > 0) {
            announced.artist = announced.title.substr(0, split);
            announced.title.erase(0, split + std::char_traits<char>::length(kArtistTitleSeparator));
        }
    }
    if (announced.title.empty()) return {};
    return announced;
}

void NowPlaying::clear(std::vector<int32_t> sounding)
{
    sounding_ = std::move(sounding);
    players_.clear();
    changes_ = 0;
    playing_.reset();
}

std::optional<Announcement> NowPlaying::update(const PlayerReport& report)
{
    if (report.gone) {
        players_.erase(report.player);
    } else {
        // A player counts as the latest when it starts playing or names another title, not
        // for every report (a volume change) it sends while it plays on.
        Player& player = players_[report.player];
        bool changed = player.lastChange == 0;
        if (report.status && *report.status != player.status) {
            player.status = *report.status;
            changed = true;
        }
        if (report.metadata) {
            std::optional<Announcement> announced = announcementOf(*report.metadata);
            changed = changed || announced != player.announced;
            player.announced = std::move(announced);
        }
        if (report.process) {
            const bool sounding =
                std::find(sounding_.begin(), sounding_.end(), *report.process) != sounding_.end();
            changed = changed || sounding != player.sounding;
            player.sounding = sounding;
        }
        if (changed) player.lastChange = ++changes_;
    }
    std::optional<Announcement> now = current();
    if (!now || now == playing_) return {};
    playing_ = now;
    return now;
}

std::optional<Announcement> NowPlaying::current() const
{
    // Which players a choice is made among, first to last: those playing into the recorded
    // output, those playing, all.
    const auto eligible = [](const Player& player, int tier) {
        const bool playing = player.status == "Playing";
        return tier == 0 ? playing && player.sounding : tier == 1 ? playing : true;
    };
    for (int tier = 0; tier < 3; ++tier) {
        const Player* chosen = nullptr;
        for (const auto& [name, player] : players_) {
            if (!player.announced || !eligible(player, tier)) continue;
            if (!chosen || player.lastChange > chosen->lastChange) chosen = &player;
        }
        if (chosen) return chosen->announced;
    }
    return {};
}
