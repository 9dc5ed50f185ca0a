#include "messages/R_WriterTables.h"

R_WriterTables::Id R_WriterTables::identifier(U_Identifier name)
{
    const auto inserted = identifiers_.emplace(name, nextIdentifier_);
    if (!inserted.second)
        return {inserted.first->second, false};
    return {nextIdentifier_++, true};
}

R_WriterTables::Id R_WriterTables::filename(U_FilenameString fullName)
{
    const auto inserted = filenames_.emplace(fullName, nextFilename_);
    if (!inserted.second)
        return {inserted.first->second, false};
    return {nextFilename_++, true};
}

R_WriterTables::Id R_WriterTables::location(const U_Location& location)
{
    const auto inserted = locations_.emplace(location.data(), LocationEntry{nextLocation_, location});
    if (!inserted.second)
        return {inserted.first->second.id, false};
    return {nextLocation_++, true};
}
