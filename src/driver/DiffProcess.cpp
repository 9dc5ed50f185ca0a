#include "driver/DiffProcess.h"

#include "platform/AsciiCase.h"
#include "platform/ProgramSearch.h"
#include "platform/RunningChild.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// size bytes at data without the ASCII white space at either end.
void trim(const char*& data, std::size_t& size)
{
    while (size > 0 && platform::isAsciiSpace(data[0])) {
        ++data;
        --size;
    }
    while (size > 0 && platform::isAsciiSpace(data[size - 1]))
        --size;
}

bool isChangeCommand(const char* data, std::size_t size)
{
    if (size == 0 || data[0] < '0' || data[0] > '9')
        return false;
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == '<' || data[i] == '>' || data[i] == '-')
            return false;
    }
    return true;
}

// Follows a line too long to hold, piece by piece, for what decides whether
// it is a change command: its first byte that is no white space, and
// whether it holds "<", ">" or "-".
class OverlongLine {
public:
    void add(const char* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (!started_) {
                if (platform::isAsciiSpace(c))
                    continue;
                started_ = true;
                digitFirst_ = c >= '0' && c <= '9';
            }
            if (c == '<' || c == '>' || c == '-')
                marked_ = true;
        }
    }

    // What isChangeCommand would say of the whole line, trimmed.
    bool isChangeCommand() const { return digitFirst_ && !marked_; }

private:
    bool started_ = false;
    bool digitFirst_ = false;
    bool marked_ = false;
};

// Gathers the two output streams while the child runs.
class OutputCollector {
public:
    OutputCollector(DiffResult& result, bool keepOutputLines) : result_(result), keepOutputLines_(keepOutputLines) {}

    void addOutput(const char* data, std::size_t size)
    {
        sawOutput_ = true;
        while (size > 0 && !stopped()) {
            const char* nl = static_cast<const char*>(std::memchr(data, '\n', size));
            const std::size_t piece = nl ? static_cast<std::size_t>(nl - data) : size;
            if (nl && pending_.empty() && !overlong_ && piece <= static_cast<std::size_t>(DiffProcess::kMaxLineBytes)) {
                // A whole line is taken where it lies.
                takeLine(data, piece);
            } else {
                addToLine(data, piece);
                if (nl)
                    endLine();
            }
            const std::size_t used = piece + (nl ? 1 : 0);
            data += used;
            size -= used;
        }
    }

    void addError(const char* data, std::size_t size)
    {
        const int room = DiffProcess::kMaxErrorBytes - result_.errorOutput.size();
        if (room > 0)
            result_.errorOutput.append(data, std::min(room, static_cast<int>(size)));
    }

    // The end of the output: a last line without a line end is a line too.
    void finish()
    {
        if (!stopped() && (!pending_.empty() || overlong_))
            endLine();
        std::string().swap(pending_);
    }

    bool sawOutput() const { return sawOutput_; }
    // Why the output cannot be kept, once it cannot: the change commands
    // passed kMaxChangeBytes, or one was longer than kMaxLineBytes. Nothing
    // more is taken then.
    bool tooLarge() const { return tooLarge_; }
    bool lineTooLong() const { return lineTooLong_; }
    bool stopped() const { return tooLarge_ || lineTooLong_; }

private:
    // Adds size bytes of the line not yet ended; once it is longer than
    // kMaxLineBytes it is followed without being held.
    void addToLine(const char* data, std::size_t size)
    {
        if (overlong_) {
            overlongLine_.add(data, size);
            return;
        }
        pending_.append(data, size);
        if (pending_.size() > static_cast<std::size_t>(DiffProcess::kMaxLineBytes)) {
            startOverlong(pending_.data());
            overlongLine_.add(pending_.data(), pending_.size());
            pending_.clear();
        }
    }

    void endLine()
    {
        if (overlong_) {
            endOverlong();
            return;
        }
        takeLine(pending_.data(), pending_.size());
        pending_.clear();
    }

    // A line longer than kMaxLineBytes begins at data: its start stands for
    // it in the log.
    void startOverlong(const char* data)
    {
        overlong_ = true;
        overlongLine_ = OverlongLine();
        std::size_t size = DiffProcess::kMaxLineBytes;
        trim(data, size);
        keepForLog(data, size);
    }

    // Such a line is dropped when it is no change command; one that is
    // cannot be kept, and leaving it out would change the mapping.
    void endOverlong()
    {
        overlong_ = false;
        lineTooLong_ = overlongLine_.isChangeCommand();
    }

    void keepForLog(const char* data, std::size_t size)
    {
        if (!keepOutputLines_)
            return;
        if (result_.outputLines.text().size() + size + 1 > DiffProcess::kMaxLoggedBytes)
            ++result_.outputLinesLeftOut;
        else
            result_.outputLines.append(data, size);
    }

    void takeLine(const char* data, std::size_t size)
    {
        trim(data, size);
        keepForLog(data, size);
        if (isChangeCommand(data, size)) {
            result_.changeLines.append(data, size);
            tooLarge_ = result_.changeLines.text().size() > DiffProcess::kMaxChangeBytes;
        }
    }

    DiffResult& result_;
    bool keepOutputLines_;
    bool sawOutput_ = false;
    bool overlong_ = false;
    OverlongLine overlongLine_;
    bool tooLarge_ = false;
    bool lineTooLong_ = false;
    std::string pending_;
};

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// The running child: its pid, a descriptor that becomes readable when it
// ends (where the kernel offers one), and the read ends of its two pipes.
// The child is started with posix_spawn rather than QProcess: Qt 5 forks a
// copy of the whole program for every diff, which costs more than the diff.
class Child {
public:
    ~Child()
    {
        closeFd(out_);
        closeFd(err_);
        closeFd(pidFd_);
        if (pid_ > 0) {
            killGroup();
            reap(0);
        }
    }

    // Starts argv in a process group of its own, standard input the null
    // device; false (errno set) when it could not be started.
    bool start(const std::vector<std::string>& args)
    {
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        int outPipe[2], errPipe[2];
        if (::pipe2(outPipe, O_CLOEXEC) != 0)
            return false;
        if (::pipe2(errPipe, O_CLOEXEC) != 0) {
            const int error = errno;
            ::close(outPipe[0]);
            ::close(outPipe[1]);
            errno = error;
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        // What this program ignores for itself is the child's to decide.
        sigaddset(&defaults, SIGPIPE);
        sigaddset(&defaults, SIGXFSZ);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setpgroup(&attr, 0);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        pid_t pid = 0;
        const int failed = ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        out_ = outPipe[0];
        err_ = errPipe[0];
        if (failed != 0) {
            errno = failed;
            return false;
        }
        pid_ = pid;
        platform::setRunningChildGroup(pid_);
        pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
        ::fcntl(out_, F_SETFL, O_NONBLOCK);
        ::fcntl(err_, F_SETFL, O_NONBLOCK);
        return true;
    }

    // Waits up to ms for the child to end (untilOutput false) or to write to
    // standard output (untilOutput true), reading both streams as it goes.
    // True when the awaited event came, or the change commands grew too
    // large; false when the time ran out.
    bool waitFor(OutputCollector& collector, int ms, bool untilOutput)
    {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
        const auto timeLeft = [&deadline] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        };
        for (;;) {
            if (collector.stopped())
                return true;
            if (reap(WNOHANG)) {
                // What it wrote before it ended; a process it left behind
                // that goes on writing gets no more than the wait.
                while ((out_ >= 0 || err_ >= 0) && !collector.stopped()) {
                    if (timeLeft() <= 0)
                        return false;
                    if (!drain(collector))
                        break;
                }
                return true;
            }
            if (untilOutput && collector.sawOutput())
                return true;
            const auto left = timeLeft();
            if (left <= 0)
                return false;
            pollfd fds[3];
            nfds_t n = 0;
            for (int fd : {out_, err_, pidFd_}) {
                if (fd >= 0)
                    fds[n++] = {fd, POLLIN, 0};
            }
            // Without a descriptor for the child's end, look again soon.
            const int slice = pidFd_ >= 0 ? static_cast<int>(left) : static_cast<int>(std::min<long long>(left, 10));
            if (::poll(fds, n, slice) < 0 && errno != EINTR)
                return false;
            drain(collector);
        }
    }

    // Kills the child's group and waits for the child.
    void kill()
    {
        killGroup();
        reap(0);
    }

    bool crashed() const { return WIFSIGNALED(status_); }
    int exitCode() const { return WIFEXITED(status_) ? WEXITSTATUS(status_) : 0; }

private:
    // Reads what both pipes hold now, a bounded amount of it, so that a
    // command that writes without end still meets its deadline; a pipe at
    // its end is closed. True when there may be more to read.
    bool drain(OutputCollector& collector)
    {
        constexpr int kReadsPerPipe = 16;
        char buffer[64 * 1024];
        bool more = false;
        for (int* fd : {&out_, &err_}) {
            for (int reads = 0; *fd >= 0 && !collector.stopped();) {
                if (reads == kReadsPerPipe) {
                    more = true;
                    break;
                }
                const ssize_t n = ::read(*fd, buffer, sizeof buffer);
                if (n > 0) {
                    ++reads;
                    if (fd == &out_)
                        collector.addOutput(buffer, static_cast<std::size_t>(n));
                    else
                        collector.addError(buffer, static_cast<std::size_t>(n));
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                if (n == 0 || errno != EAGAIN)
                    closeFd(*fd);
                break;
            }
        }
        return more;
    }

    // Collects the child's status; true once it has ended.
    bool reap(int options)
    {
        if (pid_ <= 0)
            return true;
        pid_t got;
        do {
            got = ::waitpid(pid_, &status_, options);
        } while (got < 0 && errno == EINTR);
        if (got == 0)
            return false;
        pid_ = 0;
        platform::setRunningChildGroup(0);
        return true;
    }

    void killGroup()
    {
        platform::killRunningChildGroup();
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
    }

    pid_t pid_ = 0;
    int status_ = 0;
    int out_ = -1;
    int err_ = -1;
    int pidFd_ = -1;
};

} // namespace

DiffProcess::DiffProcess(int waitMs, bool keepOutputLines) : waitMs_(waitMs), keepOutputLines_(keepOutputLines) {}

bool DiffProcess::isChangeCommand(const std::string& line)
{
    return ::isChangeCommand(line.data(), line.size());
}

std::string DiffProcess::trimmed(const std::string& text)
{
    const char* data = text.data();
    std::size_t size = text.size();
    trim(data, size);
    return std::string(data, size);
}

DiffResult DiffProcess::run(const std::vector<std::string>& programAndArguments) const
{
    DiffResult result;
    if (programAndArguments.empty())
        return result;
    // An argument vector holds C strings: the command would be handed the
    // part before the NUL, another name.
    for (const std::string& arg : programAndArguments) {
        if (arg.find('\0') != std::string::npos)
            return result;
    }

    // A program named without a directory is looked up on PATH and started
    // under its full name, which it sees as its own name; one not found
    // there is left to posix_spawnp's own search.
    std::vector<std::string> args = programAndArguments;
    if (args.front().find('/') == std::string::npos) {
        const std::string found = platform::findExecutable(args.front());
        if (!found.empty())
            args.front() = found;
    }
    Child child;
    if (!child.start(args)) {
        result.status = DiffResult::Status::FailedToStart;
        result.startError = errno;
        return result;
    }

    OutputCollector collector(result, keepOutputLines_);
    // A child that writes nothing for a whole wait gets a second wait to end,
    // as a child that has written gets one to finish its output.
    child.waitFor(collector, waitMs_, true);
    const bool ended = child.waitFor(collector, waitMs_, false);
    if (ended)
        collector.finish();
    if (!ended || collector.stopped()) {
        child.kill();
        result.status = collector.tooLarge()      ? DiffResult::Status::TooLarge
                        : collector.lineTooLong() ? DiffResult::Status::LineTooLong
                                                  : DiffResult::Status::TimedOut;
        result.changeLines.clear();
        return result;
    }

    result.exitCode = child.exitCode();
    if (child.crashed()) {
        result.status = DiffResult::Status::Crashed;
        result.changeLines.clear();
    } else if (collector.sawOutput()) {
        result.status = DiffResult::Status::Output;
    } else {
        result.status = result.exitCode == 0 ? DiffResult::Status::NoOutput : DiffResult::Status::ExitCode;
    }
    return result;
}
