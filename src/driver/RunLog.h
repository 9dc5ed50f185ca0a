#pragma once

#include "platform/DescriptorBuffer.h"
#include "platform/FileAt.h"

#include <QDateTime>

#include <memory>
#include <ostream>
#include <string>

/// The run's optional log: off, on standard output, or in a file. Each line
/// is the local time, "\t : " and the text, flushed at once so that a log
/// stays complete up to the moment a run is cut short.
class RunLog {
public:
    enum class Mode { Off = 0, StandardOutput = 1, File = 2 };

    RunLog() = default;
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Where lines go now; isOn() is false while they go nowhere.
    Mode mode() const { return mode_; }
    bool isOn() const { return mode_ != Mode::Off; }

    // Logs to out (standard output in the program) from now on.
    void openStream(std::ostream& out);
    // Logs to a new file at path (local 8-bit bytes), or to the regular
    // file there, truncated; never through a symbolic link as its last
    // component, and never waiting (a FIFO is refused). False, and the log
    // stays off, when it cannot be opened so.
    bool openFile(const std::string& path);
    // The same for file, looked up in its directory only.
    bool openFile(const platform::FileAt& file);
    // Ends a file log; a log on a stream stays as it is.
    void close();

    // Writes one line of text; nothing while the log is off.
    void write(const std::string& text);
    // Writes first, one blank and second as one line, whatever their ends.
    void write(const std::string& first, const std::string& second);

    // "hh:mm:ss.zzz dd/MM/yyyy" of time, the time column of every line.
    static std::string timeText(const QDateTime& time);
    // A whole line without its line end.
    static std::string lineText(const QDateTime& time, const std::string& text);

private:
    Mode mode_ = Mode::Off;
    std::ostream* out_ = nullptr;
    int fd_ = -1;
    std::unique_ptr<platform::DescriptorBuffer> buffer_;
    std::unique_ptr<std::ostream> file_;
};
