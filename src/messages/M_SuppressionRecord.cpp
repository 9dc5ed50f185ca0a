#include "messages/M_SuppressionRecord.h"

M_SuppressionRecord::M_SuppressionRecord(std::uint32_t kind, const U_Location& location, const std::string& reason,
                                         const std::vector<Range>& ranges, const U_Location& location2,
                                         const U_Location& location3)
    : kind_(kind), location_(location), reason_(reason), ranges_(ranges), location2_(location2),
      location3_(location3)
{
}

M_SuppressionRecord::~M_SuppressionRecord() = default;
