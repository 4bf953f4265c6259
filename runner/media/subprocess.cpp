#include "runner/media/subprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "runner/media/path_util.h"

namespace runner {

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    const std::string all(path);
    size_t begin = 0;
    while (begin <= all.size()) {
        size_t end = all.find(':', begin);
        if (end == std::string::npos) end = all.size();
        const std::string dir = all.substr(begin, end - begin);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        begin = end + 1;
    }
    return false;
}

namespace {

// Starts the child with its messages on `log_fd`, which is closed here.
Result<Child> SpawnTo(const std::vector<std::string>& args, PipeTo pipe_to, int log_fd) {
    const std::string name = args[0];
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        const std::string why = std::strerror(errno);
        ::close(log_fd);
        return Error{"cannot start " + name + ": " + why};
    }
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    // A child that dies early must show up as a write error, not kill us.
    signal(SIGPIPE, SIG_IGN);
    const pid_t pid = fork();
    if (pid < 0) {
        const std::string why = std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        ::close(log_fd);
        return Error{"cannot start " + name + ": " + why};
    }
    if (pid == 0) {
        // Its own process group: Ctrl-C at a terminal reaches only us, and
        // we stop the child in order.
        ::setpgid(0, 0);
        const int null_in = ::open("/dev/null", O_RDONLY);
        if (pipe_to == PipeTo::CHILD_STDIN) {
            ::dup2(fds[0], 0);
            ::dup2(log_fd, 1);
        } else {
            if (null_in >= 0) ::dup2(null_in, 0);
            ::dup2(fds[1], 1);
        }
        ::dup2(log_fd, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    ::close(log_fd);
    Child child;
    child.pid = pid;
    if (pipe_to == PipeTo::CHILD_STDIN) {
        ::close(fds[0]);
        child.fd = fds[1];
    } else {
        ::close(fds[1]);
        child.fd = fds[0];
    }
    return child;
}

}  // namespace

Result<Child> Spawn(const std::vector<std::string>& args, PipeTo pipe_to, const std::string& log_file) {
    const std::string name = args.empty() ? std::string("?") : args[0];
    if (args.empty() || !OnPath(args[0])) return Error{"the " + name + " program is not on PATH"};
    const int log_fd = ::open(log_file.empty() ? "/dev/null" : log_file.c_str(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log_fd < 0) {
        return Error{"cannot write " + (log_file.empty() ? std::string("/dev/null") : log_file) + ": " +
                     std::strerror(errno)};
    }
    return SpawnTo(args, pipe_to, log_fd);
}

Result<Child> SpawnWithMessages(const std::vector<std::string>& args, PipeTo pipe_to) {
    const std::string name = args.empty() ? std::string("?") : args[0];
    if (args.empty() || !OnPath(args[0])) return Error{"the " + name + " program is not on PATH"};
    int messages[2];
    if (::pipe2(messages, O_CLOEXEC) != 0) return Error{"cannot start " + name + ": " + std::strerror(errno)};
    Result<Child> child = SpawnTo(args, pipe_to, messages[1]);
    if (!child) {
        ::close(messages[0]);
        return child;
    }
    child->messages = messages[0];
    return child;
}

int WaitChild(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ReadAll(int fd, void* data, size_t size, size_t* got) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, static_cast<char*>(data) + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (got != nullptr) *got = done;
    return done == size;
}

bool WriteAll(int fd, const void* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, static_cast<const char*>(data) + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string LastLine(const std::string& file) {
    std::ifstream in(file);
    std::string line, last;
    while (std::getline(in, line)) {
        if (!line.empty()) last = line;
    }
    return last.empty() ? std::string("no message") : last;
}

Result<std::string> RunForOutput(const std::vector<std::string>& args) {
    char log_name[] = "/tmp/ringstride-run-XXXXXX";
    const int log_fd = mkstemp(log_name);
    if (log_fd < 0) return Error{"cannot make a temporary file: " + std::string(std::strerror(errno))};
    ::close(log_fd);
    const std::string log(log_name);
    Result<Child> child = Spawn(args, PipeTo::CHILD_STDOUT, log);
    if (!child) {
        std::remove(log.c_str());
        return child.error();
    }
    std::string out;
    char buf[65536];
    while (true) {
        const ssize_t n = ::read(child->fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(child->fd);
    const int status = WaitChild(child->pid);
    const std::string last = LastLine(log);
    std::remove(log.c_str());
    if (status != 0) return Error{args[0] + " failed (exit " + std::to_string(status) + "): " + last};
    return out;
}

}  // namespace runner
