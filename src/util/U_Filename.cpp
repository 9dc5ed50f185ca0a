#include "util/U_Filename.h"

#include <utility>

U_Filename::U_Filename(const std::string& fullName, const std::string& name)
    : fullName_(fullName), name_(name)
{
}

void U_Filename::swap(U_Filename& other) noexcept
{
    std::swap(fullName_, other.fullName_);
    std::swap(name_, other.name_);
}
