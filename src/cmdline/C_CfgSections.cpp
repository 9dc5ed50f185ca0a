// The section tables of the products' configuration files, as data. The
// sections other than "options" are read and stored; nothing in this program
// uses what they hold.

#include "cmdline/C_Cfg.h"

#include "util/U_ProductTable.h"

namespace {

// The variables one table fills; they keep their values until exit.
struct CfgValues {
    std::string help[1024];
    std::string characters;
    std::int32_t internal = 0;
    std::string messages[3];
    std::string levels[500];
    std::int32_t development[4] = {};
    std::int32_t cyclomatic[5] = {};
    std::int32_t paths[3] = {};
    std::string debugging;
    std::int32_t general[8] = {};
    std::int32_t comments[2] = {};
    std::int32_t bathtub[2] = {};
    std::string format[2];
};

CfgValues zxcppValues;  // ZXCPP and ZXJ share one table
CfgValues zxcValues;
CfgValues zxdValues;

constexpr C_CfgEntry section(const char* name)
{
    return {C_CfgEntry::kSection, name, nullptr, nullptr, 0};
}
constexpr C_CfgEntry text(std::string* variable)
{
    return {C_CfgEntry::kString, nullptr, variable, nullptr, 0};
}
constexpr C_CfgEntry texts(std::string* array, std::int32_t count)
{
    return {C_CfgEntry::kStringArray, nullptr, array, nullptr, count};
}
constexpr C_CfgEntry number(std::int32_t* variable)
{
    return {C_CfgEntry::kInteger, nullptr, nullptr, variable, 0};
}
constexpr C_CfgEntry options()
{
    return {C_CfgEntry::kOptions, "options", nullptr, nullptr, 0};
}
constexpr C_CfgEntry end()
{
    return {C_CfgEntry::kEnd, nullptr, nullptr, nullptr, 0};
}

CfgValues& v = zxcppValues;
const C_CfgEntry kZxcppTable[] = {
    section("help"), texts(v.help, 1024),
    section("characters"), text(&v.characters),
    section("internal"), number(&v.internal),
    section("messages"), text(&v.messages[0]), text(&v.messages[1]), text(&v.messages[2]),
    section("levels"), texts(v.levels, 500),
    section("development"), number(&v.development[0]), number(&v.development[1]), number(&v.development[2]),
        number(&v.development[3]),
    section("cyclomatic"), number(&v.cyclomatic[0]), number(&v.cyclomatic[1]), number(&v.cyclomatic[2]),
        number(&v.cyclomatic[3]), number(&v.cyclomatic[4]),
    section("paths"), number(&v.paths[0]), number(&v.paths[1]), number(&v.paths[2]),
    section("debugging"), text(&v.debugging),
    section("general"), number(&v.general[0]), number(&v.general[1]), number(&v.general[2]), number(&v.general[3]),
        number(&v.general[4]),
    section("comments"), number(&v.comments[0]), number(&v.comments[1]),
    section("bathtub"), number(&v.bathtub[0]), number(&v.bathtub[1]),
    options(), end(),
};

CfgValues& c = zxcValues;
const C_CfgEntry kZxcTable[] = {
    section("help"), texts(c.help, 1024),
    section("messages"), text(&c.messages[0]), text(&c.messages[1]), text(&c.messages[2]),
    section("levels"), texts(c.levels, 500),
    section("development"), number(&c.development[0]), number(&c.development[1]), number(&c.development[2]),
        number(&c.development[3]),
    section("cyclomatic"), number(&c.cyclomatic[0]), number(&c.cyclomatic[1]), number(&c.cyclomatic[2]),
        number(&c.cyclomatic[3]), number(&c.cyclomatic[4]),
    section("paths"), number(&c.paths[0]), number(&c.paths[1]), number(&c.paths[2]),
    section("general"), number(&c.general[0]), number(&c.general[1]), number(&c.general[2]), number(&c.general[3]),
        number(&c.general[4]), number(&c.general[5]), number(&c.general[6]), number(&c.general[7]),
    section("comments"), number(&c.comments[0]), number(&c.comments[1]),
    section("format"), texts(&c.format[0], 1), texts(&c.format[1], 1),
    options(), end(),
};

const C_CfgEntry kZxdTable[] = {
    section("help"), texts(zxdValues.help, 1024),
    options(), end(),
};

// By product-table row: ZXCPP, ZXC, ZXD, ZXJ.
const C_CfgEntry* const kSectionTables[kProductCount] = {kZxcppTable, kZxcTable, kZxdTable, kZxcppTable};

} // namespace

const C_CfgEntry* C_Cfg::sectionTable(int productIndex)
{
    if (productIndex < 0 || productIndex >= kProductCount)
        return nullptr;
    return kSectionTables[productIndex];
}
