#include "messages/M_MessageFilter.h"

#include "cmdline/C_Options.h"
#include "messages/M_Diagnostic.h"

#include <memory>

namespace {

struct NumberSets {
    M_MessageFilter::NumberSet only;
    M_MessageFilter::NumberSet nomsg;
};

M_MessageFilter::NumberSet setOf(const std::vector<std::int32_t>& values)
{
    return M_MessageFilter::makeSet(values.data(), values.data() + values.size());
}

// One pair per form of accepts, made from the current command line on first
// use and kept until exit (or a test's reset).
const NumberSets& sets(std::unique_ptr<NumberSets>& held)
{
    if (!held)
        held = std::make_unique<NumberSets>(NumberSets{setOf(C_Options::current_only()->values()),
                                                       setOf(C_Options::current_nomsg()->values())});
    return *held;
}

std::unique_ptr<NumberSets>& diagnosticSets()
{
    static std::unique_ptr<NumberSets> held;
    return held;
}

std::unique_ptr<NumberSets>& numberSets()
{
    static std::unique_ptr<NumberSets> held;
    return held;
}

} // namespace

namespace M_MessageFilter {

bool passes(std::int32_t number, const NumberSet& only, const NumberSet& nomsg)
{
    if (nomsg.count(number) != 0)
        return false;
    return only.empty() || only.count(number) != 0;
}

bool accepts(U_RefPtr<M_Diagnostic> diagnostic)
{
    const NumberSets& s = sets(diagnosticSets());
    return passes(diagnostic->number(), s.only, s.nomsg);
}

bool accepts(std::int32_t number)
{
    const NumberSets& s = sets(numberSets());
    return passes(number, s.only, s.nomsg);
}

NumberSet makeSet(const std::int32_t* first, const std::int32_t* last)
{
    return NumberSet(first, last);
}

void reset()
{
    diagnosticSets().reset();
    numberSets().reset();
}

} // namespace M_MessageFilter
