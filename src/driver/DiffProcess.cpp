#include "driver/DiffProcess.h"

#include "platform/RunningChild.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>

namespace {

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A QProcess whose child leads a process group of its own.
class GroupProcess : public QProcess {
protected:
    void setupChildProcess() override { platform::startOwnProcessGroup(); }
};

// The longest slice of one wait: the streams are drained between slices, so
// a child that floods standard error never fills more than a slice's worth.
constexpr int kSliceMs = 100;

// Gathers the two output streams while the child runs.
class OutputCollector {
public:
    OutputCollector(DiffResult& result, bool keepOutputLines) : result_(result), keepOutputLines_(keepOutputLines) {}

    void drain(QProcess& process)
    {
        const QByteArray out = process.readAllStandardOutput();
        if (!out.isEmpty()) {
            sawOutput_ = true;
            pending_.append(out);
            int start = 0;
            for (int nl = pending_.indexOf('\n'); nl >= 0; nl = pending_.indexOf('\n', start)) {
                takeLine(pending_.constData() + start, nl - start);
                start = nl + 1;
            }
            pending_.remove(0, start);
        }
        const QByteArray err = process.readAllStandardError();
        const int room = DiffProcess::kMaxErrorBytes - result_.errorOutput.size();
        if (room > 0)
            result_.errorOutput.append(err.constData(), std::min(room, err.size()));
    }

    void finish()
    {
        if (!pending_.isEmpty())
            takeLine(pending_.constData(), pending_.size());
        pending_.clear();
    }

    bool sawOutput() const { return sawOutput_; }

private:
    void takeLine(const char* data, int size)
    {
        const std::string line = DiffProcess::trimmed(std::string(data, static_cast<std::size_t>(size)));
        if (keepOutputLines_)
            result_.outputLines.emplace_back(line.data(), static_cast<int>(line.size()));
        if (DiffProcess::isChangeCommand(line))
            result_.changeLines.push_back(line);
    }

    DiffResult& result_;
    bool keepOutputLines_;
    bool sawOutput_ = false;
    QByteArray pending_;
};

// Waits up to ms for the child to end (untilOutput false) or to write to
// standard output (untilOutput true), draining both streams as it goes.
// True when the awaited event came, false when the time ran out.
bool waitFor(QProcess& process, OutputCollector& collector, int ms, bool untilOutput)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (process.state() == QProcess::NotRunning) {
            collector.drain(process);
            return true;
        }
        if (untilOutput && collector.sawOutput())
            return true;
        const qint64 left = ms - timer.elapsed();
        if (left <= 0)
            return false;
        process.waitForReadyRead(static_cast<int>(std::min<qint64>(left, kSliceMs)));
        collector.drain(process);
    }
}

void killGroup(QProcess& process)
{
    platform::killRunningChildGroup();
    process.kill();
    process.waitForFinished(DiffProcess::kDefaultWaitMs);
}

} // namespace

DiffProcess::DiffProcess(int waitMs, bool keepOutputLines) : waitMs_(waitMs), keepOutputLines_(keepOutputLines) {}

bool DiffProcess::isChangeCommand(const std::string& line)
{
    if (line.empty() || line[0] < '0' || line[0] > '9')
        return false;
    return line.find_first_of("<>-") == std::string::npos;
}

std::string DiffProcess::trimmed(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isAsciiSpace(text[first]))
        ++first;
    while (last > first && isAsciiSpace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

DiffResult DiffProcess::run(const QStringList& programAndArguments) const
{
    DiffResult result;
    if (programAndArguments.isEmpty())
        return result;

    GroupProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(programAndArguments.first(), programAndArguments.mid(1), QIODevice::ReadOnly);
    if (!process.waitForStarted(waitMs_)) {
        result.status = DiffResult::Status::FailedToStart;
        return result;
    }
    platform::setRunningChildGroup(static_cast<pid_t>(process.processId()));

    OutputCollector collector(result, keepOutputLines_);
    // A child that writes nothing for a whole wait gets a second wait to end,
    // as a child that has written gets one to finish its output.
    waitFor(process, collector, waitMs_, true);
    const bool ended = waitFor(process, collector, waitMs_, false);
    if (!ended) {
        killGroup(process);
        platform::setRunningChildGroup(0);
        result.status = DiffResult::Status::TimedOut;
        result.changeLines.clear();
        return result;
    }
    platform::setRunningChildGroup(0);
    collector.finish();

    result.exitCode = process.exitCode();
    if (process.exitStatus() == QProcess::CrashExit) {
        result.status = DiffResult::Status::Crashed;
        result.changeLines.clear();
    } else if (collector.sawOutput()) {
        result.status = DiffResult::Status::Output;
    } else {
        result.status = result.exitCode == 0 ? DiffResult::Status::NoOutput : DiffResult::Status::ExitCode;
    }
    return result;
}
