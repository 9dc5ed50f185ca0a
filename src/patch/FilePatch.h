#pragma once

#include "patch/LineMapping.h"
#include "util/U_Ref.h"

#include <cstdint>
#include <set>
#include <string>

/// The line mapping of one file, built from the change commands of a normal
/// diff between its old and new version: it answers where an old line now
/// stands, or -1 when the line was deleted or replaced. Mappings are only
/// ever added, and a mapping whose key is present already is dropped.
class FilePatch : public U_Ref {
public:
    explicit FilePatch(std::string name);

    // The file name exactly as the section header gave it.
    std::string name() const { return name_; }

    // Each command returns false, and inserts nothing, when a line of its
    // mappings (N+1, B+1, K+1, L+1) would leave the signed 32-bit range.
    // The command N a K[,L]: inserts (N+1, N+1, L+1).
    bool add(std::int32_t n, LineRange newRange);
    // The command A[,B] d K: inserts (A, B, -1), then (B+1, B+1, K+1).
    bool remove(LineRange oldRange, std::int32_t k);
    // The command A[,B] c K[,L]: inserts (A, B, -1), then (B+1, B+1, L+1).
    bool change(LineRange oldRange, LineRange newRange);

    // The new line of the old line, or -1 when it is gone; every line maps to
    // itself while there are no mappings. A line whose shift would take it
    // out of the signed 32-bit range has no place either: -1, never a
    // wrapped number.
    std::int32_t mapLine(std::int32_t line) const;

    // The mappings in key order.
    const std::set<LineMapping>& mappings() const noexcept { return mappings_; }

private:
    void insert(std::int32_t first, std::int32_t last, std::int32_t target);

    std::string name_;
    std::set<LineMapping> mappings_;
};
