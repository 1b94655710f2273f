// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop's players say they play, as they report it on the session bus, and which
// title is the one playing now: several players may report, and the one that plays wins over
// the ones that are paused or stopped. Plain C++: the bus side hands over reports, this decides.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A player's metadata as announced: the xesam fields, and the stream title some players keep
// apart (often "Artist - Title").
struct PlayerMetadata {
    std::string title;
    std::vector<std::string> artists;
    std::string album;
    std::string streamTitle;
};

struct Announcement {
    std::string artist;
    std::string title;
    std::string album;

    bool operator==(const Announcement&) const = default;
};

// The song a player's metadata names. A stream title wins over the title (which then names the
// station); without an artist, "Artist - Title" is split at its first " - ". Several artists
// are joined by ", ". No title: nothing.
std::optional<Announcement> announcementOf(const PlayerMetadata& metadata);

// One player's change as the bus reports it: the fields it names, the others unchanged.
struct PlayerReport {
    std::string player;                 // the player's bus name
    std::optional<std::string> status;  // "Playing", "Paused", "Stopped"
    std::optional<PlayerMetadata> metadata;
    bool gone = false;               // the player left the bus
    std::optional<int32_t> process;  // the player's process id, when the bus tells it
};

// Receives the reports while a recording follows the players.
class PlayerListener {
public:
    virtual ~PlayerListener() = default;
    virtual void playerChanged(const PlayerReport& report) = 0;
};

// The players' last reports, and the title now playing: that of the player that started playing
// or changed its title last among those playing into the recorded output, else among those
// playing, or, while none plays, among all that name one.
class NowPlaying {
public:
    // Forgets every player; sounding are the processes that play into the recorded output.
    void clear(std::vector<int32_t> sounding = {});
    // Takes a report; the title now playing when it changed with it, else nothing.
    std::optional<Announcement> update(const PlayerReport& report);

private:
    struct Player {
        std::string status;
        std::optional<Announcement> announced;
        uint64_t lastChange = 0;
        bool sounding = false;  // its sound goes to the recorded output
    };
    std::optional<Announcement> current() const;

    std::vector<int32_t> sounding_;
    std::map<std::string, Player> players_;
    uint64_t changes_ = 0;
    std::optional<Announcement> playing_;
};
