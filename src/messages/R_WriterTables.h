#pragma once

#include "messages/U_Identifier.h"
#include "messages/U_Location.h"
#include "util/U_FilenameString.h"

#include <cstdint>
#include <map>

/// The ids one writer has given within its section: identifiers, file names
/// (by interned full name) and locations (by data object). Each table counts
/// from 0 in the order values are first written; ids are never reused.
class R_WriterTables {
public:
    // The id of a value, and whether this lookup gave it (its body is then
    // due after the id).
    struct Id {
        std::uint32_t id;
        bool isNew;
    };

    // Each finds the value's id, adding it with the table's next id when
    // absent; throws std::bad_alloc only.
    Id identifier(U_Identifier name);
    Id filename(U_FilenameString fullName);
    // location must not be null; the table keeps its data alive, so the
    // address stays unique while the table lives.
    Id location(const U_Location& location);

private:
    std::map<U_Identifier, std::uint32_t> identifiers_;
    std::uint32_t nextIdentifier_ = 0;
    std::map<U_FilenameString, std::uint32_t> filenames_;
    std::uint32_t nextFilename_ = 0;
    struct LocationEntry {
        std::uint32_t id;
        U_Location held;
    };
    std::map<const U_LocationData*, LocationEntry> locations_;
    std::uint32_t nextLocation_ = 0;
};
