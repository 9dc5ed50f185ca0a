#include "messages/M_Diagnostic.h"

#include "cmdline/C_CmdArgs.h"
#include "messages/U_ChainRelease.h"

#include <algorithm>

M_Diagnostic::~M_Diagnostic()
{
    U_ChainRelease release;
    // Reverse of the release order (parameters in order, then the location):
    // the queue is last in, first out.
    release.take(location_);
    for (auto it = params_.rbegin(); it != params_.rend(); ++it)
        release.take(*it);
}

void M_Diagnostic::addParam(const std::string& text)
{
    params_.push_back(new M_ParamStringType(text));
}

void M_Diagnostic::addParam(const std::vector<std::string>& items)
{
    params_.push_back(new M_ParamListType(items));
}

void M_Diagnostic::addParam(std::vector<U_RefPtr<M_Diagnostic>> messages)
{
    // Asked once: later changes of the option are not seen.
    static const bool sortMessages = C_CmdArgs::currentHasDebugFlag("sort-messages");
    if (sortMessages)
        std::sort(messages.begin(), messages.end(), &M_Diagnostic::less);
    params_.push_back(new M_ParamMsgListType(std::move(messages)));
}
