// Help About: one plain box under the program's title, its six lines joined by CR LF.
#include "editor_fixture.h"

namespace {

using AboutBox = EditorFixture;

TEST_F(AboutBox, ShowsTheSixLinesExactly_WithOkOnlyNoIconUnderTheProgramTitle)
{
    editor.helpAbout();
    EXPECT_EQ(window.log, std::vector<std::string>{"message: Dravenna Recording\r\n"
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
