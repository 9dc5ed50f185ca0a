#include "patch/PatchLines.h"

#include <algorithm>

PatchLines::PatchLines(std::initializer_list<std::string> lines)
{
    for (const std::string& line : lines)
        push_back(line);
}

void PatchLines::append(const char* data, std::size_t size)
{
    text_.append(data, size);
    text_ += '\n';
    count_ += 1 + static_cast<std::size_t>(std::count(data, data + size, '\n'));
}

void PatchLines::append(const PatchLines& other)
{
    text_ += other.text_;
    count_ += other.count_;
}

void PatchLines::clear()
{
    // The memory goes too: a cleared list may have held a flood.
    std::string().swap(text_);
    count_ = 0;
}
