#include "util/U_Filename.h"

#include "util/U_Path.h"

#include <utility>

U_Filename::U_Filename(const std::string& fullName, const std::string& name)
    : fullName_(fullName), name_(name)
{
}

U_Filename U_Filename::fromLongPath(const std::string& path)
{
    return U_Filename(U_Path::fullLongPath(path), path);
}

void U_Filename::swap(U_Filename& other) noexcept
{
    std::swap(fullName_, other.fullName_);
    std::swap(name_, other.name_);
}
