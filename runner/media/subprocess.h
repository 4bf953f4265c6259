// Other programs (ffmpeg, ffprobe) run as child processes with one end of
// a pipe: we write their input or read their output, and their messages go
// to a log file we can quote from when they fail.
#ifndef FOLVEK_RUNNER_MEDIA_SUBPROCESS_H
#define FOLVEK_RUNNER_MEDIA_SUBPROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "runner/core/error.h"

namespace runner {

// True when `program` is an executable on PATH.
bool OnPath(const std::string& program);

enum class PipeTo { CHILD_STDIN, CHILD_STDOUT };

struct Child {
    pid_t pid = -1;
    int fd = -1;        // our end of the pipe, close-on-exec
    int messages = -1;  // SpawnWithMessages: the read end of the child's standard error
};

// Starts args[0] (looked up on PATH). The child's standard error, and its
// standard output when we do not read it, go to `log_file` (or nowhere).
Result<Child> Spawn(const std::vector<std::string>& args, PipeTo pipe_to, const std::string& log_file);

// As Spawn, but what the child writes on standard error (and on standard
// output when we do not read it) comes to us on a second pipe, `messages`,
// so that no log file has to be written, perhaps onto a full disk.
Result<Child> SpawnWithMessages(const std::vector<std::string>& args, PipeTo pipe_to);

// Waits for the child; its exit status, or -1 when a signal ended it.
int WaitChild(pid_t pid);

// Runs a program to its end and returns what it wrote on standard output;
// a failure quotes the last line it wrote on standard error.
Result<std::string> RunForOutput(const std::vector<std::string>& args);

// Reads or writes all `size` bytes, retrying on interruption. False at an
// early end of file or on an error (errno tells).
bool ReadAll(int fd, void* data, size_t size, size_t* got);
bool WriteAll(int fd, const void* data, size_t size);

// The last non-empty line of a text file, or "no message".
std::string LastLine(const std::string& file);

}  // namespace runner

#endif
