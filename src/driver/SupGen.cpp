#include "driver/SupGen.h"

#include "encoding/U_Encoding.h"
#include "util/U_Filename.h"

SupGen::~SupGen() = default;

U_RefPtr<M_SuppressionRecord> SupGen::makeSuppression(const std::string& name, std::int32_t line,
                                                      std::int32_t column, const std::string& reason,
                                                      std::uint32_t kind, std::int32_t message)
{
    return makeSuppression(U_Filename::fromPath(U_Encoding::fromNative(name)), line, column, reason, kind, message);
}

U_RefPtr<M_SuppressionRecord> SupGen::makeSuppression(const U_Filename& file, std::int32_t line, std::int32_t column,
                                                      const std::string& reason, std::uint32_t kind,
                                                      std::int32_t message)
{
    const std::string number = std::to_string(message);
    const std::vector<M_SuppressionRecord::Range> ranges = {{number, number}};
    const U_Location location = U_Location::create(file, line, column);
    return U_RefPtr<M_SuppressionRecord>(
        new M_SuppressionRecord(kind, location, reason, ranges, location, U_Location()));
}
