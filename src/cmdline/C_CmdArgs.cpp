#include "cmdline/C_CmdArgs.h"

#include "cmdline/C_Options.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <cstring>

namespace {

// The current command line; lives until exit.
U_RefPtr<C_CmdArgs>& currentCmdArgs()
{
    static U_RefPtr<C_CmdArgs>* current = new U_RefPtr<C_CmdArgs>;
    return *current;
}

} // namespace

C_CmdArgs::C_CmdArgs(const char* productName, int argc, char** argv) : product_(productName)
{
    if (product_.isValid())
        options_ = new C_Options(this);
    addArgs(argc, argv);
}

C_CmdArgs::C_CmdArgs(const C_CmdArgs& other)
    : U_Ref(other),
      product_(other.product_),
      arguments_(other.arguments_),
      options_(other.options_ ? new C_Options(*other.options_) : nullptr),
      parsed_(other.parsed_),
      sourcesLoaded_(other.sourcesLoaded_)
{
}

C_CmdArgs::~C_CmdArgs()
{
    options_.release();
}

void C_CmdArgs::addArgs(int argc, char** argv)
{
    parsed_ = false;
    for (int i = 0; i < argc; ++i)
        arguments_.emplace_back(argv[i]);
}

C_OptionBase* C_CmdArgs::findOption(const char* text, int& matchedLength, const C_OptionEntry* rows, int rowCount)
{
    matchedLength = 0;
    if (!rows || rowCount <= 0 || !options_)
        return nullptr;
    const signed char first = static_cast<signed char>(platform::asciiToLower(text[0]));
    const C_OptionEntry* end = rows + rowCount;
    const C_OptionEntry* low = std::lower_bound(rows, end, first, [](const C_OptionEntry& row, signed char c) {
        return static_cast<signed char>(row.keyword[0]) < c;
    });
    const C_OptionEntry* high = std::upper_bound(low, end, first, [](signed char c, const C_OptionEntry& row) {
        return c < static_cast<signed char>(row.keyword[0]);
    });
    const std::size_t textLength = std::strlen(text);
    const C_OptionEntry* best = nullptr;
    std::size_t bestLength = 0;
    for (const C_OptionEntry* row = low; row != high; ++row) {
        const std::size_t length = std::strlen(row->keyword);
        if (length <= bestLength || length > textLength)
            continue;
        if (platform::asciiCompareNoCase(text, row->keyword, length) == 0) {
            best = row;
            bestLength = length;
        }
    }
    if (!best)
        return nullptr;
    matchedLength = static_cast<int>(bestLength);
    return C_OptionEntry::apply(*options_, *best);
}

void C_CmdArgs::makeCurrent()
{
    currentCmdArgs() = new C_CmdArgs(*this);
    U_Product::setSelectedIndex(product_.index());
}

C_CmdArgs* C_CmdArgs::current()
{
    return currentCmdArgs().get();
}

bool C_CmdArgs::hasDebugFlag(const C_CmdArgs& cmdArgs, const char* name)
{
    return cmdArgs.options_ && C_Options::hasDebugFlag(*cmdArgs.options_, name);
}

bool C_CmdArgs::currentHasDebugFlag(const char* name)
{
    const C_CmdArgs* current = C_CmdArgs::current();
    return current && hasDebugFlag(*current, name);
}
