// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages.h"

#include "brenvik.h"

namespace messages {

std::string mp3SaveResult(int32_t code)
{
    switch (code) {
        case BRENVIK_OK: return "Successfully Saved!";
        case BRENVIK_MP3_NO_ENCODER:
            return "Error in SaveAsMp3: Unable to load Bladeenc.dll.  "
                   "Make sure you have this file before saving as an mp3.";
        case BRENVIK_MP3_DISK_ERROR: return "Error in SaveAsMp3: Disk Error.";
        case BRENVIK_MP3_STREAM_ERROR: return "Error in SaveAsMp3: Stream Error.";
        case BRENVIK_MP3_MEMORY_ERROR: return "Error in SaveAsMp3: Memory Error.";
        case BRENVIK_MP3_ENCODING_ERROR: return "Error in SaveAsMp3: Encoding Error.";
        default: return "Error in SaveAsMp3: Unknown Error.";
    }
}

std::string fileCutToTrack(const std::string& fitted)
{
    return "Only the first " + fitted +
           " of the file fit in the track (File > Properties sets a larger size).";
}

std::string inputLost(int64_t milliseconds)
{
    return std::to_string(milliseconds) +
           " ms of the input were lost while recording (the computer was too busy).";
}

std::string inputSourceGone(const std::string& source)
{
    return "The input source \"" + source +
           "\" is not there any more; Quorvel records from the default input.";
}

std::string sourceWentAway(const std::string& from, const std::string& at, const std::string& to)
{
    return "The source " + from + " went away at " + at + "; the rest was recorded from " + to +
           ".";
}

// Major and minor of the program's version; the third and fourth parts are not shown.
std::string aboutText(int major, int minor)
{
    return "Dravenna Recording\r\n"
           "by Ostrelle\r\n"
           "Version " +
           std::to_string(major) + "." + std::to_string(minor) +
           "\r\n"
           "Plug in your radio and hit record. \r\n"
           "When a song you like has finished hit stop.\r\n"
           "Fade in the beginning of the song and save it.";
}

std::string mainWindowCaption(const std::string& file)
{
    return std::string(kMainWindowTitle) + " - " + file;
}

std::string lengthLabel(const std::string& time)
{
    return "Len: " + time;
}

std::string memoryLabel(int32_t freeMegabytes)
{
    return "Mem: " + std::to_string(freeMegabytes) + "MB";
}

std::string recordingFrom(const std::string& source)
{
    return "Recording from: " + source;
}

std::string monitorSource(const std::string& output)
{
    return "What " + output + " plays";
}

std::string viewToolTip(const std::string& pointer, const std::string& start,
                        const std::string& end, const std::string& length)
{
    return "Pointer: " + pointer + "\nStart: " + start + "\nEnd: " + end + "\nLength: " + length;
}

std::string recoverTakeQuestion(const std::string& length, const std::string& until)
{
    return "A take of " + length + " recorded until " + until + " was not saved. Recover it?";
}

std::string takeRefused(const std::string& path)
{
    return "The file " + path +
           " does not hold a take this version can read. It is left as it is; remove it when it "
           "is of no use.";
}

std::string titleToolTip(const std::string& artist, const std::string& title,
                         const std::string& time, const std::string& usual)
{
    const std::string named = artist.empty() ? title : artist + " \u2013 " + title;
    return named + "\n" + time + "\n\n" + usual;
}

}  // namespace messages
