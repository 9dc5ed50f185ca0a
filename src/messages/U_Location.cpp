#include "messages/U_Location.h"

#include "messages/U_EntityDisplayName.h"
#include "messages/U_MacroHistory.h"

U_Location U_Location::create(const U_Filename& file, std::int32_t line, std::int32_t column)
{
    return U_Location(U_LocationData::create(file, line, column));
}

U_Location U_Location::create(const U_Location& includer, const U_Filename& file, std::int32_t line,
                              std::int32_t column)
{
    return U_Location(U_LocationData::create(includer, file, line, column));
}

U_Location U_Location::create(const U_Location& includer, const U_Filename& file, std::int32_t line,
                              std::int32_t column, const U_RefPtr<U_MacroHistory>& history)
{
    return U_Location(U_LocationData::create(includer, history, file, line, column));
}

U_RefPtr<U_MacroHistory> U_Location::macroHistory() const noexcept
{
    return data_->macroHistory();
}

U_RefPtr<U_EntityDisplayName> U_Location::instFromName() const noexcept
{
    return data_->instFromName();
}

U_Location U_Location::withHLLoc(const U_Filename& file, std::int32_t line) const
{
    return U_Location(data_->withHLLoc(file, line));
}

U_Location U_Location::withInstFromLoc(const U_Location& from, U_RefPtr<U_EntityDisplayName> name) const
{
    return U_Location(data_->withInstFromLoc(from, std::move(name)));
}

U_Location U_Location::withCalledFromLoc(const U_Location& caller) const
{
    return U_Location(data_->withCalledFromLoc(caller));
}

bool U_Location::sameFile(const U_Location& a, const U_Location& b) noexcept
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return a.fileName() == b.fileName();
}
