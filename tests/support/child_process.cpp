#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace {

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Environment& environment,
                           const std::filesystem::path& output)
{
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables;
    for (const auto& [name, value] : environment) {
        variables.push_back(name + "=" + value);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> args = pointersTo(arguments);
    std::vector<char*> envp = pointersTo(variables);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess()
{
    stop(SIGTERM);
}

bool ChildProcess::running()
{
    return pid_ > 0 && !reap(std::chrono::milliseconds(0));
}

bool ChildProcess::reap(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_ || done < 0) {
            status_ = done == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            pid_ = -1;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int ChildProcess::stop(int signal, std::chrono::milliseconds limit)
{
    if (pid_ <= 0) {
        return status_;
    }
    ::kill(pid_, signal);
    if (!reap(limit)) {
        ::kill(pid_, SIGKILL);
        reap(std::chrono::milliseconds(3000));
        status_ = -1;
    }
    return status_;
}

int ChildProcess::wait(std::chrono::milliseconds limit)
{
    if (pid_ > 0 && !reap(limit)) {
        stop(SIGKILL);
        return -1;
    }
    return status_;
}

ChildProcess::Environment currentEnvironment()
{
    ChildProcess::Environment environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) {
            environment[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    return environment;
}
