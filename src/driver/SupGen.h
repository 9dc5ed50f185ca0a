#pragma once

#include "messages/M_SuppressionRecord.h"
#include "util/U_Filename.h"
#include "util/U_RefPtr.h"

#include <cstdint>
#include <string>

/// Turns one baselined suppression, at the line where it now stands, into
/// the suppression record that is appended to a message file. Used through
/// its static functions only.
class SupGen {
public:
    virtual ~SupGen();

    // A record of kind with reason at name (native encoding), line and
    // column: one message range from message to message (decimal texts), the
    // same location again as the second location, no third. Throws
    // std::bad_alloc only.
    static U_RefPtr<M_SuppressionRecord> makeSuppression(const std::string& name, std::int32_t line,
                                                         std::int32_t column, const std::string& reason,
                                                         std::uint32_t kind, std::int32_t message);
    // The same record at file, a name already made with U_Filename::fromPath.
    static U_RefPtr<M_SuppressionRecord> makeSuppression(const U_Filename& file, std::int32_t line,
                                                         std::int32_t column, const std::string& reason,
                                                         std::uint32_t kind, std::int32_t message);
};
