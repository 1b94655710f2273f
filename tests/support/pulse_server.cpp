// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulse_server.h"

#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kToolLimit = std::chrono::milliseconds(5000);

std::string readAll(const fs::path& file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A null sink named and described by the name (menus list outputs by description), in the
// format that the engine uses, so that nothing is converted.
std::string nullSinkArguments(const std::string& name)
{
    return "sink_name=" + name + " sink_properties=device.description=" + name +
           " rate=44100 format=s16le channels=2";
}

// Waits, bounded, while the process runs, until it is ready.
template <typename Ready>
bool becomesReady(ChildProcess& process, Ready ready)
{
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (process.running() && std::chrono::steady_clock::now() < deadline) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// Waits, bounded, until the process has made the file (its socket), while it runs.
bool appears(const fs::path& file, ChildProcess& process)
{
    return becomesReady(process, [&] { return fs::exists(file); });
}

}  // namespace

PulseServer::PulseServer(const fs::path& dir, const std::vector<std::string>& sinks,
                         Flavour flavour)
    : dir_(dir),
      home_(dir / "home"),
      runtime_(dir / "run")
{
    fs::create_directories(home_ / ".config" / "pulse");
    fs::create_directories(runtime_);
    fs::permissions(runtime_, fs::perms::owner_all, fs::perm_options::replace);
    std::ofstream(home_ / ".config" / "pulse" / "client.conf") << "autospawn = no\n";
    std::ofstream(home_ / ".asoundrc") << "pcm.!default { type pulse }\n"
                                          "ctl.!default { type pulse }\n";
    if (flavour == Flavour::kPulseAudio) {
        startPulseAudio(sinks);
    } else {
        startPipeWire(sinks);
    }
}

void PulseServer::startPulseAudio(const std::vector<std::string>& sinks)
{
    {
        std::ofstream script(dir_ / "server.pa");
        for (const std::string& sink : sinks) {
            script << "load-module module-null-sink " << nullSinkArguments(sink) << "\n";
        }
        script << "load-module module-native-protocol-unix auth-anonymous=1 socket="
               << (runtime_ / "native").string() << "\n";
    }
    startPulseAudioDaemon();
}

void PulseServer::startPulseAudioDaemon()
{
    // -n: no default script, so nothing but the sinks above; no exit when idle, no CPU limit
    // (a loaded machine must not make the server kill itself), no real-time scheduling.
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"pulseaudio", "-n", "-F", (dir_ / "server.pa").string(),
                                 "--daemonize=no", "--exit-idle-time=-1", "--no-cpu-limit",
                                 "--realtime=no", "--high-priority=no", "--use-pid-file=no",
                                 "--log-target=stderr"},
        clientEnvironment(), dir_ / "server.log");
    ready_ = waitUntilAnswering();
}

void PulseServer::startPipeWire(const std::vector<std::string>& sinks)
{
    const fs::path config = home_ / ".config";
    fs::create_directories(config / "pipewire" / "pipewire.conf.d");
    fs::create_directories(config / "pipewire" / "pipewire-pulse.conf.d");
    std::ofstream(config / "pipewire" / "pipewire.conf.d" / "test.conf")
        << "context.properties = { default.clock.rate = 44100 "
           "default.clock.allowed-rates = [ 44100 ] }\n";
    std::ofstream(config / "pipewire" / "pipewire-pulse.conf.d" / "test.conf")
        << "pulse.properties = { server.address = [ \"unix:" << (runtime_ / "native").string()
        << "\" ] }\n";
    // The session manager needs a session bus: one of its own, never the desktop's.
    ChildProcess::Environment environment = clientEnvironment();
    const std::string bus = "unix:path=" + (runtime_ / "bus").string();
    environment["DBUS_SESSION_BUS_ADDRESS"] = bus;
    const auto startHelper = [&](std::vector<std::string> argv) -> ChildProcess& {
        helpers_.push_back(
            std::make_unique<ChildProcess>(std::move(argv), environment, dir_ / "server.log"));
        return *helpers_.back();
    };
    // The session manager gives up at once when PipeWire does not answer yet, and without it the
    // server never takes a default device: each starts once what it connects to is listening.
    bool listening =
        appears(runtime_ / "bus",
                startHelper({"dbus-daemon", "--session", "--nofork", "--address=" + bus}));
    listening = listening && appears(runtime_ / "pipewire-0", startHelper({"pipewire"}));
    startHelper({"wireplumber"});
    server_ = std::make_unique<ChildProcess>(std::vector<std::string>{"pipewire-pulse"},
                                             environment, dir_ / "server.log");
    ready_ = listening && waitUntilAnswering();
    for (const std::string& sink : sinks) {
        ready_ = ready_ && pactl({"load-module", "module-null-sink", nullSinkArguments(sink)});
    }
}

bool PulseServer::waitUntilAnswering()
{
    return becomesReady(*server_, [this] { return answers(); });
}

void PulseServer::kill()
{
    server_->stop(SIGKILL);
    ready_ = false;
}

bool PulseServer::restart()
{
    server_->stop(SIGTERM);
    ready_ = false;
    startPulseAudioDaemon();
    return ready_;
}

PulseServer::~PulseServer()
{
    server_->stop(SIGTERM);
    while (!helpers_.empty()) {
        helpers_.back()->stop(SIGTERM);
        helpers_.pop_back();
    }
}

std::string PulseServer::failure() const
{
    return "the server did not start, or did not answer within 10 s; its output:\n" +
           readAll(dir_ / "server.log") + "pactl said:\n" + readAll(dir_ / "tools.log");
}

bool PulseServer::answers() const
{
    return pactl({"info"});
}

ChildProcess::Environment PulseServer::clientEnvironment() const
{
    ChildProcess::Environment environment = currentEnvironment();
    environment["HOME"] = home_.string();
    environment["XDG_CONFIG_HOME"] = (home_ / ".config").string();
    environment["XDG_RUNTIME_DIR"] = runtime_.string();
    environment["PULSE_SERVER"] = "unix:" + (runtime_ / "native").string();
    return environment;
}

void PulseServer::makeThisProcessAClient() const
{
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "PULSE_SERVER"}) {
        ::setenv(name, clientEnvironment().at(name).c_str(), 1);
    }
}

std::unique_ptr<ChildProcess> PulseServer::start(std::vector<std::string> argv) const
{
    return std::make_unique<ChildProcess>(argv, clientEnvironment(), dir_ / "tools.log");
}

bool PulseServer::pactl(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> argv{"pactl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return start(argv)->wait(kToolLimit) == 0;
}
