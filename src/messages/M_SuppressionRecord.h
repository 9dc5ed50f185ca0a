#pragma once

#include "messages/U_Location.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

/// A suppression record: messages with the numbers of its ranges are hidden
/// at its location. Immutable once made; shared through U_RefPtr.
class M_SuppressionRecord final : public U_Ref {
public:
    using Range = std::pair<std::string, std::string>;

    // Copies every value; location3 may be null (no third place). Throws
    // std::bad_alloc only.
    M_SuppressionRecord(std::uint32_t kind, const U_Location& location, const std::string& reason,
                        const std::vector<Range>& ranges, const U_Location& location2,
                        const U_Location& location3);
    ~M_SuppressionRecord() override;

    std::uint32_t kind() const noexcept { return kind_; }
    const U_Location& location() const noexcept { return location_; }
    const std::string& reason() const noexcept { return reason_; }
    // The message ranges (first, last number as text), in the order given.
    const std::vector<Range>& ranges() const noexcept { return ranges_; }
    const U_Location& location2() const noexcept { return location2_; }
    // Null when the record has no third place.
    const U_Location& location3() const noexcept { return location3_; }

private:
    std::uint32_t kind_;
    U_Location location_;
    std::string reason_;
    std::vector<Range> ranges_;
    U_Location location2_;
    U_Location location3_;
};
