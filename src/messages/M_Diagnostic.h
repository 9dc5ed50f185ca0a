#pragma once

#include "messages/M_ParamType.h"
#include "messages/U_Location.h"

#include <cstdint>
#include <string>
#include <vector>

/// One message of the analyser: its number, the place it refers to (may be
/// null), its parameters in message order and four flag bytes. Filled while
/// its record is read, then only read; shared through U_RefPtr.
class M_Diagnostic final : public U_Ref {
public:
    M_Diagnostic() = default;
    explicit M_Diagnostic(std::int32_t number) : number_(number) {}
    M_Diagnostic(std::int32_t number, const U_Location& location) : number_(number), location_(location) {}
    // Releases the parameters, then the location, without recursion through
    // nested message lists.
    ~M_Diagnostic() override;

    // The message number and the place; the place may be null.
    std::int32_t number() const noexcept { return number_; }
    const U_Location& location() const noexcept { return location_; }
    void setLocation(const U_Location& location) { location_ = location; }

    // The flags as read or set; none of the setters fails.
    bool hiddenByPragma() const noexcept { return hiddenByPragma_; }
    bool hiddenByUser() const noexcept { return hiddenByUser_; }
    bool hasSubMessages() const noexcept { return hasSubMessages_; }
    void setHiddenByPragma(bool on) noexcept { hiddenByPragma_ = on; }
    void setHiddenByUser(bool on) noexcept { hiddenByUser_ = on; }
    // Set only for messages of old message files; nothing reads it back.
    void setHidden(bool on) noexcept { hidden_ = on; }
    void setHasSubMessages(bool on) noexcept { hasSubMessages_ = on; }

    // The number of parameters.
    std::uint64_t paramCount() const noexcept { return params_.size(); }
    // The parameter at index, which must be below paramCount(); the
    // diagnostic keeps owning it.
    M_ParamType* param(std::int32_t index) const noexcept { return params_[static_cast<std::size_t>(index)].get(); }

    // Each appends one new parameter; throws std::bad_alloc only.
    void addParam(const std::string& text);
    void addParam(const std::vector<std::string>& items);
    // A message list of messages; sorted by less() when the debug flag
    // "sort-messages" was set at the first call in the process (the caller's
    // vector keeps its order).
    void addParam(std::vector<U_RefPtr<M_Diagnostic>> messages);

    // The numbers of the pseudo messages that texts show for the include,
    // instantiated-from and called-from chains.
    static std::uint32_t inclLocMessageNumber() noexcept { return 1599; }
    static std::uint32_t instLocMessageNumber() noexcept { return 1597; }
    static std::uint32_t callLocMessageNumber() noexcept { return 1570; }

    // The one-line text: place, number, parameters, hidden flags, and the
    // chains the debug flags "showInclLoc", "showInstLoc" and "showCallLoc"
    // ask for. Built without recursion, however deep message lists nest.
    std::string toString() const;
    // The text of one chain of location, followed while has() is true.
    static std::string locationChainText(U_Location location, bool (U_Location::*has)() const,
                                         U_Location (U_Location::*get)() const, std::string label,
                                         std::uint32_t number);
    // The text of a message-list parameter.
    static std::string messageListText(const M_ParamMsgListType& param);

    // -1, 0 or 1: by place (U_Location::compareByName), number, parameter
    // count, then the parameters' texts; flags take no part. Both must have a
    // location.
    static int compare(const U_RefPtr<M_Diagnostic>& a, const U_RefPtr<M_Diagnostic>& b);
    // compare(a, b) == -1.
    static bool less(const U_RefPtr<M_Diagnostic>& a, const U_RefPtr<M_Diagnostic>& b);

private:
    std::int32_t number_ = 0;
    U_Location location_;
    std::vector<U_RefPtr<M_ParamType>> params_;
    bool hiddenByPragma_ = false;
    bool hiddenByUser_ = false;
    bool hidden_ = false;
    bool hasSubMessages_ = false;
};
