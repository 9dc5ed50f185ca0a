#include "messages/U_ChainRelease.h"

#include "messages/U_Location.h"

#include <vector>

namespace {

bool draining = false;

// Never destroyed: objects may still be released while statics are torn down.
std::vector<U_Ref*>& pending()
{
    static auto* references = new std::vector<U_Ref*>();
    return *references;
}

} // namespace

U_ChainRelease::U_ChainRelease() noexcept : outermost_(!draining)
{
    draining = true;
}

U_ChainRelease::~U_ChainRelease()
{
    if (!outermost_)
        return;
    std::vector<U_Ref*>& references = pending();
    while (!references.empty()) {
        U_Ref* object = references.back();
        references.pop_back();
        U_Ref::dropRef(object);
    }
    draining = false;
}

void U_ChainRelease::take(U_Location& holder) noexcept
{
    U_Location moved(std::move(holder));
    queue(moved.data());
}

void U_ChainRelease::queue(const U_Ref* object) noexcept
{
    if (!object)
        return;
    // Counts change on shared objects whatever their constness, as they do
    // through U_RefPtr.
    std::vector<U_Ref*>& references = pending();
    try {
        references.push_back(const_cast<U_Ref*>(object));
    } catch (...) {
        return;
    }
    references.back()->addRef();
}
