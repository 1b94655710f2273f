// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_details.h"

#include <algorithm>

namespace brenvik {
namespace {

// The length of the UTF-8 sequence that starts with lead, 0 for a byte no sequence starts with,
// and the range its second byte must lie in, which shuts out overlong forms, UTF-16 surrogates
// and code points beyond U+10FFFF.
struct SequenceStart {
    int length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

SequenceStart sequenceStart(unsigned char lead)
{
    if (lead < 0x80) return {1, 0, 0};
    if (lead < 0xC2) return {0, 0, 0};
    if (lead < 0xE0) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead < 0xF0) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead < 0xF4) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

}  // namespace

bool isValidUtf8(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        const SequenceStart start = sequenceStart(static_cast<unsigned char>(text[at]));
        if (start.length == 0 || text.size() - at < static_cast<size_t>(start.length)) {
            return false;
        }
        if (start.length > 1) {
            const auto second = static_cast<unsigned char>(text[at + 1]);
            if (second < start.secondLow || second > start.secondHigh) {
                return false;
            }
            for (int i = 2; i < start.length; ++i) {
                if (!isContinuation(static_cast<unsigned char>(text[at + i]))) {
                    return false;
                }
            }
        }
        at += start.length;
    }
    return true;
}

std::optional<SongDetails> parseSongDetails(std::string_view text)
{
    if (!isValidUtf8(text)) {
        return std::nullopt;
    }
    SongDetails details;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty()) {
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const auto field = std::find_if(
            kSongDetailFields.begin(), kSongDetailFields.end(),
            [key = line.substr(0, equals)](const SongDetailField& f) { return f.key == key; });
        if (field == kSongDetailFields.end()) {
            return std::nullopt;
        }
        details.*field->text = std::string(line.substr(equals + 1));
    }
    return details;
}

}  // namespace brenvik
