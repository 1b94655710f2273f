// SPDX-License-Identifier: GPL-3.0-or-later
// Processor use of the real quorvel program while it sits idle, records and plays on the
// simulated card, side by side in one run. The program runs in a private Xvfb server and is
// driven with xdotool the way a user would drive it: Return accepts the settings dialog, F6
// records, F5 plays, F7 stops. The card records a file of music-like sound (tones under a
// syllable envelope, with noise, now and then up to full scale), so the level meter moves while
// it records and while the take plays back; the recording wraps the ring, so the playback
// plays sound, not the silence of a ring never filled.
//
//   transport_bench [seconds per phase, default 10] [another quorvel to compare]
//
// Given another build of the program (one without the level meter, say), the bench measures it
// too, in the same run on the same server, and prints both side by side. Without one it measures
// this build twice over: with the take in its file (the default) and kept in memory only. Whichever program goes
// first tends to measure higher, so each is measured twice, in the order this, other, other,
// this, and the mean of its two runs is printed.
//
// Besides the share of one core it prints the main thread's voluntary context switches per
// second: the follow loop sleeps once a pass, so while a transport runs this is about how often
// it moves the marker and updates the meter.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "plain_number.h"
#include "wav_image.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// A child process with this process's environment, killed and reaped when it goes out of scope.
class Child {
public:
    explicit Child(std::vector<std::string> arguments)
    {
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Processor time of a process (user and system) in seconds.
double cpuSeconds(pid_t pid)
{
    const std::string stat = readText("/proc/" + std::to_string(pid) + "/stat");
    // The fields after the command name, which is in parentheses and may hold blanks.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number)
        if (number == 14 || number == 15) ticks += std::stol(field);
    return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

// Times the main thread gave up the processor of its own accord.
long voluntarySwitches(pid_t pid)
{
    std::istringstream status(
        readText("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("voluntary_ctxt_switches:"))
            return std::stol(line.substr(line.find(':') + 1));
    return 0;
}

struct Phase {
    double coreShare = 0;
    double wakeUpsPerSecond = 0;
};

Phase measure(pid_t pid, double seconds)
{
    const double cpuBefore = cpuSeconds(pid);
    const long switchesBefore = voluntarySwitches(pid);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return {(cpuSeconds(pid) - cpuBefore) / elapsed,
            double(voluntarySwitches(pid) - switchesBefore) / elapsed};
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// A free X display number: one whose lock file does not exist.
int freeDisplay()
{
    for (int display = 90; display < 200; ++display)
        if (!fs::exists("/tmp/.X" + std::to_string(display) + "-lock")) return display;
    return -1;
}

bool waitForPath(const fs::path& path, double seconds)
{
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!fs::exists(path)) {
        if (Clock::now() > end) return false;
        pause(0.05);
    }
    return true;
}

// Eight seconds of music-like stereo sound as a WAV file: two tones and noise under a syllable
// envelope whose loudness changes every half second, the left channel louder, now and then cut
// off at full scale.
void writeMusicLikeWav(const fs::path& path)
{
    constexpr int kFrames = 8 * 44100;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::uniform_real_distribution<double> loudness(0.05, 1.2);
    std::vector<int16_t> values;
    double phraseGain = 1.0;
    for (int frame = 0; frame < kFrames; ++frame) {
        if (frame % 22050 == 0) phraseGain = loudness(random);
        const double t = frame / 44100.0;
        const double syllable = std::pow(std::sin(std::numbers::pi * 3.0 * t), 2.0);
        const double sound = 0.5 * std::sin(2 * std::numbers::pi * 220.0 * t) +
                             0.3 * std::sin(2 * std::numbers::pi * 331.0 * t) +
                             0.15 * noise(random);
        const double value = sound * syllable * phraseGain * 32767.0;
        for (double gain : {1.0, 0.4})
            values.push_back(int16_t(std::clamp(std::lround(value * gain), -32768L, 32767L)));
    }
    wav_image::writeFile(path, wav_image::wave(wav_image::values(values)));
}

struct Figures {
    Phase idle;
    Phase recording;
    Phase playing;
};

// The track is a whole number of 262144-frame megabytes: the default length (the marker moves
// as often as a user sees it move), or more when a phase and its lead-in would not fit.
constexpr int32_t kFramesPerMegabyte = 262144;
constexpr int32_t kDefaultTrackFrames = 4 * kFramesPerMegabyte;

int32_t ringFrames(double seconds)
{
    const auto megabytes = int32_t(std::ceil((seconds + 1.0) * 44100.0 / kFramesPerMegabyte));
    return std::max(megabytes * kFramesPerMegabyte, kDefaultTrackFrames);
}

// Starts program with its own settings under home, accepts the settings dialog and measures the
// three phases; nothing when the program's windows do not appear.
// takeInMemory: the program keeps the take in memory only, not in its take file. Each run starts
// with no take left, so that no earlier run's take is offered.
std::optional<Figures> measureProgram(const fs::path& program, const fs::path& home, double seconds,
                                      bool takeInMemory = false)
{
    const int32_t ring = ringFrames(seconds);
    fs::create_directories(home / "config" / "Quorvel");
    std::ofstream(home / "config" / "Quorvel" / "Quorvel.conf")
        << "[Defaults]\nMemory=" << ring << "\nTakeInMemoryOnly=" << (takeInMemory ? 1 : 0) << "\n";
    fs::remove_all(home / "state");
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
    Child quorvel({program.string()});
    const std::string pid = std::to_string(quorvel.pid());
    // The settings dialog comes first; Return takes its default button.
    if (!run("timeout 20 xdotool search --sync --onlyvisible --pid " + pid + " >/dev/null")) {
        std::fprintf(stderr, "no window of %s appeared\n", program.c_str());
        return std::nullopt;
    }
    pause(1);
    run("xdotool key Return");
    if (!run("timeout 20 xdotool search --sync --onlyvisible --name '^Dravenna' windowfocus "
             ">/dev/null 2>&1")) {
        std::fprintf(stderr, "the main window of %s did not appear\n", program.c_str());
        return std::nullopt;
    }
    pause(1);

    Figures figures;
    figures.idle = measure(quorvel.pid(), seconds);
    run("xdotool key F6");
    pause(0.5);
    figures.recording = measure(quorvel.pid(), seconds);
    // On until the ring has wrapped, so that all of the take is sound; then the ring is turned.
    const double recorded = 0.5 + seconds;
    pause(std::max(ring / 44100.0 + 0.5 - recorded, 0.0));
    run("xdotool key F7");
    pause(3);
    run("xdotool key F5");
    pause(0.5);
    figures.playing = measure(quorvel.pid(), seconds);
    run("xdotool key F7");
    pause(1);
    return figures;
}

Phase mean(const Phase& a, const Phase& b)
{
    return {(a.coreShare + b.coreShare) / 2, (a.wakeUpsPerSecond + b.wakeUpsPerSecond) / 2};
}

Figures mean(const Figures& a, const Figures& b)
{
    return {mean(a.idle, b.idle), mean(a.recording, b.recording), mean(a.playing, b.playing)};
}

void printRow(const char* name, const Phase& phase, const Phase& other)
{
    std::printf("%-12s %10.2f %% %12.1f", name, phase.coreShare * 100.0, phase.wakeUpsPerSecond);
    std::printf("   %10.2f %% %12.1f   %+9.2f points\n", other.coreShare * 100.0,
                other.wakeUpsPerSecond, (phase.coreShare - other.coreShare) * 100.0);
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? quorvel::plainNumber(argv[1]).value_or(10.0) : 10.0;
    const fs::path program = fs::read_symlink("/proc/self/exe").parent_path() / "quorvel";
    const std::optional<fs::path> other =
        argc > 2 ? std::optional(fs::absolute(argv[2])) : std::nullopt;
    const int displayNumber = freeDisplay();
    const std::string display = ":" + std::to_string(displayNumber);
    const fs::path home = fs::temp_directory_path() / ("quorvel-bench-" + std::to_string(getpid()));
    fs::create_directories(home);
    const fs::path music = home / "music.wav";
    writeMusicLikeWav(music);

    Child xvfb({"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (!waitForPath("/tmp/.X11-unix/X" + std::to_string(displayNumber), 10)) {
        std::fprintf(stderr, "Xvfb did not start on %s\n", display.c_str());
        return 1;
    }
    // The programs, and xdotool after them, see the private display.
    setenv("DISPLAY", display.c_str(), 1);
    setenv("BRENVIK_AUDIO", "sim", 1);
    setenv("BRENVIK_SIM_INPUT", music.c_str(), 1);
    unsetenv("BRENVIK_SIM_SPEED");
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // The other side: another build, or this one with the take in memory only.
    const fs::path otherProgram = other ? *other : program;
    const bool otherInMemory = !other;
    std::optional<Figures> measured = measureProgram(program, home / "this", seconds);
    std::optional<Figures> compared;
    if (measured) {
        compared = measureProgram(otherProgram, home / "other", seconds, otherInMemory);
        const std::optional<Figures> otherAgain =
            compared ? measureProgram(otherProgram, home / "other", seconds, otherInMemory)
                     : std::nullopt;
        const std::optional<Figures> thisAgain =
            otherAgain ? measureProgram(program, home / "this", seconds) : std::nullopt;
        if (thisAgain) {
            measured = mean(*measured, *thisAgain);
            compared = mean(*compared, *otherAgain);
        } else {
            compared.reset();
        }
    }
    fs::remove_all(home);
    if (!measured || !compared) return 1;

    std::printf(
        "quorvel on the simulated card recording music-like sound, %.0f s per phase, the "
        "mean of two runs each\n",
        seconds);
    std::printf("%-12s %25s", "", other ? "this build" : "take in its file");
    if (other) std::printf("   %25s   %s", "the other build", other->c_str());
    if (!other) std::printf("   %25s", "take in memory only");
    std::printf("\n%-12s %12s %12s", "phase", "of one core", "wake-ups/s");
    std::printf("   %12s %12s   %16s\n", "of one core", "wake-ups/s", "this - other");
    printRow("idle", measured->idle, compared->idle);
    printRow("recording", measured->recording, compared->recording);
    printRow("playing", measured->playing, compared->playing);
    std::printf("recording share, this / other: %.2f\n",
                measured->recording.coreShare / compared->recording.coreShare);
    return 0;
}
