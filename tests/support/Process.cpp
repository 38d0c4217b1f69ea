#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testenv {

namespace {
std::vector<char*> Argv(const std::string& prog, const std::vector<std::string>& args)
{
    std::vector<char*> v;
    v.push_back(const_cast<char*>(prog.c_str()));
    for (auto& a : args)
        v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

std::vector<char*> Envp(const std::vector<std::string>& extra, std::vector<std::string>& keep)
{
    // An extra "NAME=VALUE" replaces NAME, an extra "-NAME" removes it.
    auto nameOf = [](const std::string& s) { return s.substr(s[0] == '-' ? 1 : 0, s.find('=') - (s[0] == '-' ? 1 : 0)); };
    keep.clear();
    for (char** e = environ; *e; ++e) {
        std::string var = *e;
        bool overridden = false;
        for (auto& x : extra)
            overridden = overridden || (!x.empty() && nameOf(x) == var.substr(0, var.find('=')));
        if (!overridden)
            keep.push_back(var);
    }
    for (auto& x : extra)
        if (!x.empty() && x[0] != '-')
            keep.push_back(x);
    std::vector<char*> v;
    for (auto& s : keep)
        v.push_back(const_cast<char*>(s.c_str()));
    v.push_back(nullptr);
    return v;
}
} // namespace

ProcessResult RunProgram(const std::string& rProgram, const std::vector<std::string>& rArgs, const std::string& rInput,
                  const std::vector<std::string>& rEnv, const OutputWatcher& rWatch)
{
    ProcessResult r;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
        return r;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    auto argv = Argv(rProgram, rArgs);
    std::vector<std::string> keep;
    auto envp = Envp(rEnv, keep);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, rProgram.c_str(), &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        close(in[1]);
        close(out[0]);
        close(err[0]);
        return r;
    }
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    if (rInput.empty()) {
        close(in[1]);
        in[1] = -1;
    }
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
    int open = 2;
    char buf[4096];
    while (open > 0) {
        int n = poll(fds, in[1] >= 0 ? 3 : 2, 30000);
        if (n <= 0)
            break;
        for (int i = 0; i < 2; ++i)
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                ssize_t got = read(fds[i].fd, buf, sizeof buf);
                if (got <= 0) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                } else {
                    (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(got));
                    if (i == 0 && rWatch)
                        rWatch(pid, r.out);
                }
            }
        if (in[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t w = write(in[1], rInput.data() + written, rInput.size() - written);
            if (w > 0)
                written += static_cast<size_t>(w);
            if (w <= 0 || written == rInput.size()) {
                close(in[1]);
                in[1] = -1;
            }
        }
    }
    if (in[1] >= 0)
        close(in[1]);
    for (int i = 0; i < 2; ++i)
        if (fds[i].fd >= 0)
            close(fds[i].fd);
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

BackgroundProcess::BackgroundProcess(const std::string& rProgram, const std::vector<std::string>& rArgs)
{
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC))
        return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    auto argv = Argv(rProgram, rArgs);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, rProgram.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        close(in[1]);
        close(out[0]);
        return;
    }
    mnPid = pid;
    mnIn = in[1];
    mnOut = out[0];
    // The first line: up to 10 s for the program to start.
    char c;
    pollfd p{mnOut, POLLIN, 0};
    while (poll(&p, 1, 10000) > 0 && read(mnOut, &c, 1) == 1 && c != '\n')
        maFirstLine += c;
}

BackgroundProcess::~BackgroundProcess()
{
    if (mnPid > 0) {
        kill(mnPid, SIGTERM);
        int st;
        waitpid(mnPid, &st, 0);
    }
    if (mnIn >= 0)
        close(mnIn);
    if (mnOut >= 0)
        close(mnOut);
}

std::string BackgroundProcess::Command(const std::string& rLine)
{
    Send(rLine);
    std::string answer;
    char c;
    pollfd p{mnOut, POLLIN, 0};
    while (mnOut >= 0 && poll(&p, 1, 10000) > 0 && read(mnOut, &c, 1) == 1 && c != '\n')
        answer += c;
    return answer;
}

void BackgroundProcess::Send(const std::string& rLine)
{
    std::string l = rLine + "\n";
    if (mnIn >= 0 && write(mnIn, l.data(), l.size()) < 0)
        return;
}

ProcessResult RunVxn(const std::vector<std::string>& rArgs, const std::string& rInput, std::vector<std::string> aEnv)
{
    bool chosen = false;
    for (const auto& e : aEnv)
        chosen = chosen || e.rfind("VXN_LANG", 0) == 0 || e.rfind("-VXN_LANG", 0) == 0;
    if (!chosen)
        aEnv.insert(aEnv.begin(), "VXN_LANG=en");
    return RunProgram(Program("vxn"), rArgs, rInput, aEnv);
}

} // namespace testenv
