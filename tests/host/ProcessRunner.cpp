#include "ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace {

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe()
    {
        if (pipe2(fd, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
    }
    ~Pipe()
    {
        CloseRead();
        CloseWrite();
    }
    void CloseRead()
    {
        if (fd[0] >= 0)
            close(fd[0]);
        fd[0] = -1;
    }
    void CloseWrite()
    {
        if (fd[1] >= 0)
            close(fd[1]);
        fd[1] = -1;
    }
};

} // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         const std::string& input)
{
    Pipe in, out, err;
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in.fd[0], 0);
        dup2(out.fd[1], 1);
        dup2(err.fd[1], 2);
        for (const auto& [name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    in.CloseRead();
    out.CloseWrite();
    err.CloseWrite();

    ProcessResult result;
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    if (input.empty())
        in.CloseWrite();
    else
        fcntl(in.fd[1], F_SETFL, O_NONBLOCK);
    while (out.fd[0] >= 0 || err.fd[0] >= 0) {
        pollfd fds[3];
        nfds_t count = 0;
        auto add = [&](int fd, short events) {
            if (fd >= 0)
                fds[count++] = pollfd{fd, events, 0};
        };
        add(out.fd[0], POLLIN);
        add(err.fd[0], POLLIN);
        add(in.fd[1], POLLOUT);
        if (poll(fds, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].fd == in.fd[1]) {
                ssize_t n = write(in.fd[1], input.data() + written, input.size() - written);
                if (n > 0)
                    written += static_cast<size_t>(n);
                if (n < 0 || written == input.size())
                    in.CloseWrite();
                continue;
            }
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            Pipe& source = fds[i].fd == out.fd[0] ? out : err;
            if (n <= 0)
                source.CloseRead();
            else
                (fds[i].fd == out.fd[0] ? result.out : result.err).append(buffer, static_cast<size_t>(n));
        }
    }
    in.CloseWrite();
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}
