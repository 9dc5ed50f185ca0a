#include "driver/RunLog.h"

void RunLog::openStream(std::ostream& out)
{
    close();
    out_ = &out;
    mode_ = Mode::StandardOutput;
}

bool RunLog::openFile(const std::string& path)
{
    close();
    auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!file->good()) {
        mode_ = Mode::Off;
        out_ = nullptr;
        return false;
    }
    file_ = std::move(file);
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
