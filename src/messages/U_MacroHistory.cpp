#include "messages/U_MacroHistory.h"

#include "messages/U_ChainRelease.h"

U_MacroHistory::U_MacroHistory(const U_Location& location, const U_Identifier& macroName,
                               const U_RefPtr<U_MacroHistory>& next)
    : location_(location), macroName_(macroName), next_(next)
{
}

U_MacroHistory::~U_MacroHistory()
{
    U_ChainRelease release;
    // Reverse of the release order: the queue is last in, first out.
    release.take(location_);
    release.take(next_);
}
