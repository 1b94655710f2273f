// SPDX-License-Identifier: GPL-3.0-or-later
#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
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
    // Everything the child needs is made before the fork: after it, only calls that are safe
    // in the child of a threaded process.
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables;
    for (const auto& [name, value] : environment) {
        variables.push_back(name + "=" + value);
    }
    std::vector<char*> args = pointersTo(arguments);
    std::vector<char*> envp = pointersTo(variables);
    const std::string cannotRun = "cannot run " + argv.at(0) + "\n";
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        // A test that dies without its destructors (a crash, a sanitizer's halt) takes the
        // child with it, so that no server outlives the test.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execvpe(args[0], args.data(), envp.data());
        [[maybe_unused]] const ssize_t said = ::write(2, cannotRun.data(), cannotRun.size());
        ::_exit(127);
    }
    ::close(out);
    ::close(in);
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
