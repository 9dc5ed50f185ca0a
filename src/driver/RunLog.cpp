#include "driver/RunLog.h"

#include "platform/RegularFile.h"

#include <unistd.h>

RunLog::~RunLog()
{
    close();
}

void RunLog::openStream(std::ostream& out)
{
    close();
    out_ = &out;
    mode_ = Mode::StandardOutput;
}

bool RunLog::openFile(const std::string& path)
{
    return openFile(platform::FileAt{AT_FDCWD, path});
}

bool RunLog::openFile(const platform::FileAt& file)
{
    close();
    mode_ = Mode::Off;
    out_ = nullptr;
    fd_ = platform::openRegularFile(file, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW);
    if (fd_ < 0)
        return false;
    buffer_ = std::make_unique<platform::DescriptorBuffer>(fd_);
    file_ = std::make_unique<std::ostream>(buffer_.get());
    out_ = file_.get();
    mode_ = Mode::File;
    return true;
}

void RunLog::close()
{
    if (mode_ != Mode::File || !file_)
        return;
    file_->flush();
    file_.reset();
    buffer_.reset();
    ::close(fd_);
    fd_ = -1;
    out_ = nullptr;
    mode_ = Mode::Off;
}

void RunLog::write(const std::string& text)
{
    if (mode_ == Mode::Off || out_ == nullptr)
        return;
    *out_ << lineText(QDateTime::currentDateTime(), text) << std::endl;
}

void RunLog::write(const std::string& first, const std::string& second)
{
    write(first + " " + second);
}

std::string RunLog::timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("hh:mm:ss.zzz dd/MM/yyyy")).toLocal8Bit().toStdString();
}

std::string RunLog::lineText(const QDateTime& time, const std::string& text)
{
    return timeText(time) + "\t : " + text;
}
