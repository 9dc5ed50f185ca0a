#include "messages/U_EntityDisplayName.h"

U_EntityDisplayName::~U_EntityDisplayName() = default;

U_RefPtr<U_EntityDisplayName> ObjectDisplayName::create(const std::string& text)
{
    return new ObjectDisplayName(text);
}

std::string ObjectDisplayName::name() const
{
    return name_;
}

std::string ObjectDisplayName::nameForKind() const
{
    return name();
}

std::string ObjectDisplayName::aliasName() const
{
    return name();
}

std::string ObjectDisplayName::aliasNameForKind() const
{
    return name();
}

std::string ObjectDisplayName::otherName() const
{
    return name();
}
