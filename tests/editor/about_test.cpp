// SPDX-License-Identifier: GPL-3.0-or-later
// Help About: one plain box under the program's title, its six lines joined by CR LF.
#include "editor_fixture.h"

namespace {

using AboutBox = EditorFixture;

TEST_F(AboutBox, ShowsTheSixLinesExactly_WithOkOnlyNoIconUnderTheProgramTitle)
{
    editor.helpAbout();
    // Five CR LF breaks and none after the last line; the recipe line keeps its trailing space;
    // program version 1.0.0.0 reads "Version 1.0".
    EXPECT_EQ(window.log,
              std::vector<std::string>{"message: Dravenna Recording\r\n"
                                       "by Ostrelle\r\n"
                                       "Version 1.0\r\n"
                                       "Plug in your radio and hit record. \r\n"
                                       "When a song you like has finished hit stop.\r\n"
                                       "Fade in the beginning of the song and save it."});
    EXPECT_EQ(window.lastMessageIcon, MessageIcon::None);
    EXPECT_EQ(window.lastMessageButtons, MessageButtons::Ok);
    EXPECT_EQ(window.lastMessageTitle, "Quorvel");
}

}  // namespace
