#include "cmdline/C_SourceStack.h"

#include <algorithm>

void C_SourceStack::push(U_RefPtr<C_ArgsSource> source, bool optionFile)
{
    sources_.push_back(Entry{std::move(source), optionFile});
    if (optionFile)
        ++optionFilesRead_;
}

bool C_SourceStack::nextWord(std::string& word)
{
    while (!sources_.empty()) {
        if (sources_.back().source->next(substitute_, word))
            return true;
        sources_.pop_back();
    }
    return false;
}

std::size_t C_SourceStack::optionFileDepth() const noexcept
{
    return static_cast<std::size_t>(
        std::count_if(sources_.begin(), sources_.end(), [](const Entry& e) { return e.optionFile; }));
}

bool C_SourceStack::reads(const platform::FileIdentity& identity) const
{
    return std::any_of(sources_.begin(), sources_.end(),
                       [&](const Entry& e) { return e.source->reads(identity); });
}
