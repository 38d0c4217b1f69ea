// What the transport benchmarks share: a vxn-emulator started for the
// benchmark, a bare echo peer that answers every request frame with a reply
// of a fixed size (the channel's own limit), and a free loopback port.
#pragma once

#include "qel/WireFrame.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// A running vxn-emulator and the endpoint it printed.
struct Emulator {
    pid_t pid = -1;
    std::string endpoint;
    explicit Emulator(const std::vector<std::string>& args)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        std::string prog = std::string(VXN_BIN_DIR) + "/vxn-emulator";
        std::vector<char*> argv = {const_cast<char*>(prog.c_str())};
        for (auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            endpoint += c;
        close(out[0]);
        if (endpoint.rfind("/dev/", 0) == 0)
            endpoint = "serial:" + endpoint;
    }
    ~Emulator()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

// Answers every request frame with a reply frame of the given payload size.
void EchoLoop(int fd, size_t replyPayload)
{
    wire::FrameParser parser;
    uint8_t buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd p{fd, POLLIN, 0};
                poll(&p, 1, 100);
                continue;
            }
            return;
        }
        parser.Feed(buf, static_cast<size_t>(n));
        wire::Frame f;
        while (parser.Next(f)) {
            wire::Frame r;
            r.kind = wire::Kind::Reply;
            r.message = f.message;
            r.sequence = f.sequence;
            r.payload.assign(replyPayload, 0);
            auto bytes = wire::Encode(r);
            if (write(fd, bytes.data(), bytes.size()) < 0)
                return;
        }
    }
}

// A listening socket on a free loopback port.
int ListenLoopback(int& rPort)
{
    int ls = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(ls, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(ls, 4);
    socklen_t len = sizeof a;
    getsockname(ls, reinterpret_cast<sockaddr*>(&a), &len);
    rPort = ntohs(a.sin_port);
    return ls;
}

} // namespace
