// SPDX-License-Identifier: GPL-3.0-or-later
// Help About: one plain box under the program's title, its six lines joined by CR LF.
#include <algorithm>

#include "editor_fixture.h"

namespace {

using AboutBox = EditorFixture;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST_F(AboutBox, ShowsTheSixLinesExactly_WithOkOnlyNoIconUnderTheProgramTitle)
{
    editor.helpAbout();
    ASSERT_EQ(window.log.size(), 1u);
    const std::string prefix = "message: ";
    ASSERT_EQ(window.log[0].rfind(prefix, 0), 0u) << window.log[0];
    const std::string text = window.log[0].substr(prefix.size());

    // The recipe line keeps its trailing space; program version 1.0.0.0 reads "Version 1.0".
    EXPECT_EQ(linesOf(text), (std::vector<std::string>{"Dravenna Recording", "by Ostrelle", "Version 1.0",
                                                       "Plug in your radio and hit record. ",
                                                       "When a song you like has finished hit stop.",
                                                       "Fade in the beginning of the song and save it."}));
    // Five breaks between six lines: no lone CR or LF, and none after the last line.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 5);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
    EXPECT_EQ(window.lastMessageIcon, MessageIcon::None);
    EXPECT_EQ(window.lastMessageButtons, MessageButtons::Ok);
    EXPECT_EQ(window.lastMessageTitle, "Quorvel");
}

}  // namespace
