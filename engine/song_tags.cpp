// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_tags.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
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

// INFO texts are written as UTF-8; TagLib's own default is ISO-8859-1. The handler is TagLib's
// default for the whole process, set at the first WAV file with details; nothing else here
// reads or writes INFO texts.
class Utf8InfoTexts : public TagLib::RIFF::Info::StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector& data) const override
    {
        return TagLib::String(data.mid(0, data.find('\0')), TagLib::String::UTF8);
    }
    TagLib::ByteVector render(const TagLib::String& text) const override
    {
        return text.data(TagLib::String::UTF8);
    }
};
const Utf8InfoTexts kUtf8InfoTexts;

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
    static const bool utf8Texts =
        (TagLib::RIFF::Info::Tag::setStringHandler(&kUtf8InfoTexts), true);
    (void)utf8Texts;
    TagLib::RIFF::Info::Tag tag;
    for (const SongDetailField& field : kSongDetailFields) {
        const std::string& text = details.*field.text;
        if (!text.empty()) {
            const TagLib::ByteVector id(field.wavInfoId.data(),
                                        static_cast<unsigned>(field.wavInfoId.size()));
            tag.setFieldText(id, TagLib::String(text, TagLib::String::UTF8));
        }
    }
    // TagLib renders the form and the texts, each zero-terminated and padded to an even size;
    // the chunk's own header goes before them.
    const TagLib::ByteVector form = tag.render();
    std::vector<uint8_t> chunk;
    appendText(chunk, std::string_view(wav::kListId.data(), wav::kListId.size()));
    appendLittleEndian32(chunk, form.size());
    chunk.insert(chunk.end(), form.begin(), form.end());
    return chunk;
}

}  // namespace brenvik
