// Processor use of the real quorvel program while it sits idle, records and plays on the
// simulated card, side by side in one run. The program runs in a private Xvfb server and is
// driven with xdotool the way a user would drive it: Return accepts the settings dialog, F6
// records, F5 plays, F7 stops.
//
//   transport_bench [seconds per phase, default 10]
//
// Besides the share of one core it prints the main thread's voluntary context switches per
// second: the follow loop sleeps once a pass, so while a transport runs this is about how often
// the marker is moved.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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
    std::istringstream status(readText("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("voluntary_ctxt_switches:")) return std::stol(line.substr(line.find(':') + 1));
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

void print(const char* name, const Phase& phase)
{
    std::printf("%-28s %10.2f %% %14.1f\n", name, phase.coreShare * 100.0, phase.wakeUpsPerSecond);
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::strtod(argv[1], nullptr) : 10.0;
    const fs::path program = fs::read_symlink("/proc/self/exe").parent_path() / "quorvel";
    const int displayNumber = freeDisplay();
    const std::string display = ":" + std::to_string(displayNumber);
    const fs::path home = fs::temp_directory_path() / ("quorvel-bench-" + std::to_string(getpid()));
    fs::create_directories(home);

    Child xvfb({"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (!waitForPath("/tmp/.X11-unix/X" + std::to_string(displayNumber), 10)) {
        std::fprintf(stderr, "Xvfb did not start on %s\n", display.c_str());
        return 1;
    }
    // The program, and xdotool after it, see the private display and a private settings store.
    setenv("DISPLAY", display.c_str(), 1);
    setenv("BRENVIK_AUDIO", "sim", 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
    Child quorvel({program.string()});
    const std::string pid = std::to_string(quorvel.pid());
    // The settings dialog comes first; Return takes its default button.
    if (!run("timeout 20 xdotool search --sync --onlyvisible --pid " + pid + " >/dev/null")) {
        std::fprintf(stderr, "no window of %s appeared\n", program.c_str());
        return 1;
    }
    pause(1);
    run("xdotool key Return");
    if (!run("timeout 20 xdotool search --sync --onlyvisible --name '^Dravenna' windowfocus >/dev/null 2>&1")) {
        std::fprintf(stderr, "the main window did not appear\n");
        return 1;
    }
    pause(1);

    std::printf("quorvel on the simulated card, %.0f s per phase\n", seconds);
    std::printf("%-28s %12s %14s\n", "phase", "of one core", "wake-ups/s");
    print("idle", measure(quorvel.pid(), seconds));
    run("xdotool key F6");
    pause(0.5);
    print("recording", measure(quorvel.pid(), seconds));
    run("xdotool key F7");
    pause(2);
    run("xdotool key F5");
    pause(0.5);
    print("playing", measure(quorvel.pid(), seconds));
    run("xdotool key F7");
    fs::remove_all(home);
    return 0;
}
