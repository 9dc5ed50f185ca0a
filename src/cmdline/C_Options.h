#pragma once

#include "cmdline/C_OptionKinds.h"
#include "cmdline/C_OptionVia.h"
#include "cmdline/C_OptionVocabulary.h"
#include "util/U_Ref.h"

#include <string>

class C_CmdArgs;

/// Every option of one command line: the options of all four products,
/// whatever the command line's product (its keyword tables decide which the
/// parser can reach). Fields and accessors come from C_OptionVocabulary.h;
/// each accessor is named after its option's keyword.
class C_Options : public U_Ref {
public:
    // The options at their defaults, not set; the forget option is bound to
    // owner.
    explicit C_Options(C_CmdArgs* owner);
    // Copies every option's value, default and set flag; the copy's forget
    // option belongs to no command line, so a copy is read, never parsed.
    C_Options(const C_Options&) = default;
    C_Options& operator=(const C_Options&) = delete;
    ~C_Options() override;

#define VANTREL_OPTION_ACCESSORS(member, keyword, Kind, defaultValue, products, listed) \
    C_Option##Kind* member() noexcept { return &member##_; }                            \
    const C_Option##Kind* member() const noexcept { return &member##_; }                \
    /* The option of the current command line; one must be current. */                  \
    static C_Option##Kind* current_##member();
    VANTREL_OPTIONS(VANTREL_OPTION_ACCESSORS)
#undef VANTREL_OPTION_ACCESSORS

    // True when some value of "debug" of options is exactly name (case
    // matters; each value is one flag).
    static bool hasDebugFlag(const C_Options& options, const char* name);

    // U_Filename::displayName with this option set's "expandfilenames".
    std::string displayName(const U_Filename& file) const;

private:
    template <class Kind>
    static Kind makeOption(const char* keyword, C_NoDefault)
    {
        return Kind(keyword);
    }
    template <class Kind, class Default>
    static Kind makeOption(const char* keyword, Default defaultValue)
    {
        return Kind(keyword, defaultValue);
    }

#define VANTREL_OPTION_FIELD(member, keyword, Kind, defaultValue, products, listed) \
    C_Option##Kind member##_ = makeOption<C_Option##Kind>(keyword, defaultValue);
    VANTREL_OPTIONS(VANTREL_OPTION_FIELD)
#undef VANTREL_OPTION_FIELD
};

/// One row of a product's keyword table: a keyword or alias and the way to
/// its option in any option set.
struct C_OptionEntry {
    const char* keyword;
    C_OptionBase* (*accessor)(C_Options& options);

    // The row's option in options.
    static C_OptionBase* apply(C_Options& options, const C_OptionEntry& row);

    // The lookup table of product row productIndex: every keyword and alias
    // of the options it knows, in byte order. count receives the row count;
    // null and 0 for an index outside the product table.
    static const C_OptionEntry* lookupTable(int productIndex, std::uint32_t& count);
    // The settings table of product row productIndex: the listed options'
    // keywords in byte order. As lookupTable otherwise.
    static const C_OptionEntry* settingsTable(int productIndex, std::uint32_t& count);
};
