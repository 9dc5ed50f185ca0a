#include "messages/M_Diagnostic.h"

#include "cmdline/C_CmdArgs.h"
#include "encoding/U_Encoding.h"

#include <vector>

namespace {

// The file and line a text shows for location: those of its HL part when it
// has one. The column is always the location's own.
void appendPlace(std::string& out, const U_Location& location)
{
    const bool hl = location.hasHLLoc();
    const U_Filename file = hl ? location.hlFileName() : location.fileName();
    out += U_Encoding::toExternal(U_Filename::displayName(file), eceEUC);
    out += ':';
    out += std::to_string(hl ? location.hlLine() : location.line());
}

// Texts of nested message lists are made from an explicit stack of pieces,
// so a file's nesting depth never becomes the program's recursion depth.
struct Piece {
    enum Kind { Text, Diagnostic, Param } kind;
    std::string text;
    const M_Diagnostic* diagnostic = nullptr;
    const M_ParamType* param = nullptr;
};

std::string headOf(const M_Diagnostic& d)
{
    std::string out;
    const U_Location& location = d.location();
    if (location.isValid()) {
        appendPlace(out, location);
        if (location.column() > 0)
            out += ':' + std::to_string(location.column());
    } else {
        out += "nofile.cc:0";
    }
    out += ": Msg=" + std::to_string(d.number());
    out += " #params=" + std::to_string(static_cast<std::int32_t>(d.paramCount()));
    return out;
}

std::string tailOf(const M_Diagnostic& d)
{
    std::string out;
    const char* separator = " hidden by ";
    if (d.hiddenByPragma()) {
        out += separator;
        out += "pragma";
        separator = ", ";
    }
    if (d.hiddenByUser()) {
        out += separator;
        out += "user";
    }
    const U_Location& location = d.location();
    if (!location.isValid())
        return out;
    if (C_CmdArgs::currentHasDebugFlag("showInclLoc"))
        out += M_Diagnostic::locationChainText(location, &U_Location::hasInclLoc, &U_Location::inclLoc, "incl",
                                               M_Diagnostic::inclLocMessageNumber());
    if (C_CmdArgs::currentHasDebugFlag("showInstLoc"))
        out += M_Diagnostic::locationChainText(location, &U_Location::hasInstFromLoc, &U_Location::instFromLoc,
                                               "inst", M_Diagnostic::instLocMessageNumber());
    if (C_CmdArgs::currentHasDebugFlag("showCallLoc"))
        out += M_Diagnostic::locationChainText(location, &U_Location::hasCalledFromLoc,
                                               &U_Location::calledFromLoc, "call",
                                               M_Diagnostic::callLocMessageNumber());
    return out;
}

// Pushes the pieces of a message list: "MsgList={", the sub-messages joined
// by " ; ", "}" (in reverse, as the stack is last in, first out).
void pushMessageList(std::vector<Piece>& stack, const M_ParamMsgListType& list)
{
    stack.push_back({Piece::Text, "}"});
    const auto& messages = list.messages();
    for (std::size_t i = messages.size(); i-- > 0;) {
        stack.push_back({Piece::Diagnostic, std::string(), messages[i].get()});
        if (i > 0)
            stack.push_back({Piece::Text, " ; "});
    }
    stack.push_back({Piece::Text, "MsgList={"});
}

void pushDiagnostic(std::vector<Piece>& stack, std::string& out, const M_Diagnostic& d)
{
    out += headOf(d);
    stack.push_back({Piece::Text, tailOf(d)});
    const auto count = static_cast<std::int32_t>(d.paramCount());
    if (count > 0)
        stack.push_back({Piece::Text, "}"});
    for (std::int32_t i = count; i-- > 0;) {
        stack.push_back({Piece::Param, std::string(), nullptr, d.param(i)});
        stack.push_back({Piece::Text, i == 0 ? " {" : ", "});
    }
}

std::string render(Piece first)
{
    std::string out;
    std::vector<Piece> stack;
    stack.push_back(std::move(first));
    while (!stack.empty()) {
        Piece piece = std::move(stack.back());
        stack.pop_back();
        switch (piece.kind) {
        case Piece::Text:
            out += piece.text;
            break;
        case Piece::Diagnostic:
            pushDiagnostic(stack, out, *piece.diagnostic);
            break;
        case Piece::Param:
            if (const auto* list = dynamic_cast<const M_ParamMsgListType*>(piece.param))
                pushMessageList(stack, *list);
            else
                out += piece.param->toString();
            break;
        }
    }
    return out;
}

} // namespace

std::string M_Diagnostic::toString() const
{
    return render({Piece::Diagnostic, std::string(), this});
}

std::string M_Diagnostic::messageListText(const M_ParamMsgListType& param)
{
    return render({Piece::Param, std::string(), nullptr, &param});
}

std::string M_Diagnostic::locationChainText(U_Location location, bool (U_Location::*has)() const,
                                            U_Location (U_Location::*get)() const, std::string label,
                                            std::uint32_t number)
{
    std::string out;
    std::string closing;
    while ((location.*has)()) {
        out += " " + label + " {";
        location = (location.*get)();
        appendPlace(out, location);
        out += ':' + std::to_string(location.column()) + ":";
        out += " Msg=" + std::to_string(static_cast<std::int32_t>(number)) + " #params=0";
        closing += '}';
    }
    return out + closing;
}

int M_Diagnostic::compare(const U_RefPtr<M_Diagnostic>& a, const U_RefPtr<M_Diagnostic>& b)
{
    const int byPlace = U_Location::compareByName(a->location_, b->location_);
    if (byPlace != 0)
        return byPlace;
    if (a->number_ != b->number_)
        return a->number_ < b->number_ ? -1 : 1;
    const auto countA = static_cast<std::int32_t>(a->paramCount());
    const auto countB = static_cast<std::int32_t>(b->paramCount());
    if (countA != countB)
        return countA < countB ? -1 : 1;
    for (std::int32_t i = 0; i < countA; ++i) {
        const int byText = a->param(i)->toString().compare(b->param(i)->toString());
        if (byText != 0)
            return byText < 0 ? -1 : 1;
    }
    return 0;
}

bool M_Diagnostic::less(const U_RefPtr<M_Diagnostic>& a, const U_RefPtr<M_Diagnostic>& b)
{
    return compare(a, b) == -1;
}
