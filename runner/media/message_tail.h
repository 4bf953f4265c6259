// What a child program (ffmpeg) says on standard error, read by a thread of
// ours as it comes rather than from a log file, which a full disk would
// swallow: the last line is kept to quote when the child fails, and a line
// that reports a failed write is noticed at once, so that a run on a full
// disk stops at its first lost frame instead of at the end.
#ifndef FOLVEK_RUNNER_MEDIA_MESSAGE_TAIL_H
#define FOLVEK_RUNNER_MEDIA_MESSAGE_TAIL_H

#include <mutex>
#include <string>
#include <thread>

namespace runner {

class MessageTail {
public:
    // Takes `fd` (the read end of the child's standard error) and reads it
    // until the child closes it.
    explicit MessageTail(int fd);
    // Waits for the end of the stream: end the child first.
    ~MessageTail();
    MessageTail(const MessageTail&) = delete;
    MessageTail& operator=(const MessageTail&) = delete;

    // Until the child has closed its end (it has ended): every line is in.
    void WaitForEnd();
    // The last line that says something, or "no message".
    std::string LastLine() const;
    // The first line that reports a failed write ("... No space left on
    // device"); empty while there is none.
    std::string WriteFailure() const;

    // True for a line of ffmpeg's that reports an output it could not write.
    static bool ReportsWriteFailure(const std::string& line);

private:
    void Read();
    void Take(const std::string& line);

    int fd_;
    mutable std::mutex mutex_;
    std::string last_;
    std::string failure_;
    std::thread reader_;
};

}  // namespace runner

#endif
