// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_tags.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

#include <memory>
#include <string>

#include "wav_chunks.h"

namespace brenvik {
namespace {

void appendLittleEndian32(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void appendText(std::vector<uint8_t>& bytes, std::string_view text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// ID3v2.3 knows ISO-8859-1 and UTF-16 only.
TagLib::String::Type id3Encoding(const TagLib::String& text)
{
    return text.isLatin1() ? TagLib::String::Latin1 : TagLib::String::UTF16;
}

std::unique_ptr<TagLib::ID3v2::Frame> id3Frame(const SongDetailField& field,
                                               const TagLib::String& text)
{
    const TagLib::ByteVector id(field.id3FrameId.data(),
                                static_cast<unsigned>(field.id3FrameId.size()));
    if (id == "COMM") {
        auto comment = std::make_unique<TagLib::ID3v2::CommentsFrame>(id3Encoding(text));
        comment->setLanguage("eng");
        comment->setText(text);
        return comment;
    }
    auto frame = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(id, id3Encoding(text));
    frame->setText(text);
    return frame;
}

}  // namespace

std::vector<uint8_t> id3v2Tag(const SongDetails& details)
{
    if (details.empty()) {
        return {};
    }
    TagLib::ID3v2::Tag tag;
    for (const SongDetailField& field : kSongDetailFields) {
        const std::string& text = details.*field.text;
        if (!text.empty()) {
            tag.addFrame(id3Frame(field, TagLib::String(text, TagLib::String::UTF8)).release());
        }
    }
    const TagLib::ByteVector rendered = tag.render(TagLib::ID3v2::v3);
    return {rendered.begin(), rendered.end()};
}

std::vector<uint8_t> wavInfoChunk(const SongDetails& details)
{
    if (details.empty()) {
        return {};
    }
    std::vector<uint8_t> chunk;
    appendText(chunk, std::string_view(wav::kListId.data(), wav::kListId.size()));
    appendLittleEndian32(chunk, 0);  // the size, known at the end
    appendText(chunk, std::string_view(wav::kInfoId.data(), wav::kInfoId.size()));
    for (const SongDetailField& field : kSongDetailFields) {
        const std::string& text = details.*field.text;
        if (text.empty()) {
            continue;
        }
        appendText(chunk, field.wavInfoId);
        appendLittleEndian32(chunk, static_cast<uint32_t>(text.size() + 1));
        appendText(chunk, text);
        chunk.push_back(0);
        if (chunk.size() % 2 != 0) {
            chunk.push_back(0);
        }
    }
    const auto bodyBytes = static_cast<uint32_t>(chunk.size() - 8);
    for (int i = 0; i < 4; ++i) {
        chunk[4 + i] = static_cast<uint8_t>(bodyBytes >> (8 * i));
    }
    return chunk;
}

}  // namespace brenvik
