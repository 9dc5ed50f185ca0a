#pragma once

#include "messages/U_Identifier.h"
#include "messages/U_Location.h"

/// One element of a macro expansion history: the macro's name, the location
/// recorded for it and the following element (null at the end of the chain).
/// Built once and never changed; chains are built from their end.
class U_MacroHistory final : public U_Ref {
public:
    U_MacroHistory(const U_Location& location, const U_Identifier& macroName, const U_RefPtr<U_MacroHistory>& next);
    // Releases next, then location, without recursion along chains.
    ~U_MacroHistory() override;

    const U_Location& location() const noexcept { return location_; }
    U_Identifier macroName() const noexcept { return macroName_; }
    // The following element; null at the end of the chain.
    const U_RefPtr<U_MacroHistory>& next() const noexcept { return next_; }

private:
    U_Location location_;
    U_Identifier macroName_;
    U_RefPtr<U_MacroHistory> next_;
};
