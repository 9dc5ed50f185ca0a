#include "messages/R_Records.h"

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "messages/R_Exceptions.h"
#include "messages/M_RecordCodes.h"
#include "messages/R_IdRecords.h"

#include <cstdlib>
#include <vector>

namespace {

// "showalias" of the current command line; its default while none is current.
bool currentShowAlias()
{
    const C_CmdArgs* current = C_CmdArgs::current();
    if (!current || !current->options())
        return true;
    return current->options()->showalias()->value();
}

std::uint8_t locationFlags(const U_Location& location)
{
    return static_cast<std::uint8_t>(
        (location.hasInclLoc() ? U_LocPropertyFlag::InclLoc : 0) | (location.hasInstFromLoc() ? U_LocPropertyFlag::InstFromLoc : 0) |
        (location.hasMacroHist() ? U_LocPropertyFlag::MacroHist : 0) | (location.hasHLLoc() ? U_LocPropertyFlag::HLLoc : 0) |
        (location.hasCalledFromLoc() ? U_LocPropertyFlag::CalledFromLoc : 0));
}

} // namespace

/// Writes nested records in file order from an explicit stack of pending
/// pieces: a piece whose body holds nested records pushes them, last first,
/// and the loop writes whatever is on top. The written objects stay alive
/// for the whole walk, so pieces hold plain pointers.
class R_RecordWalker {
public:
    explicit R_RecordWalker(R_Writer& writer, bool showAlias) : writer_(writer), showAlias_(showAlias) {}

    void location(const U_Location& location) { push({Piece::Location, &location}); }
    void history(const U_MacroHistory& first) { push({Piece::History, &first}); }
    void diagnostic(const M_Diagnostic& diagnostic, bool suppressed)
    {
        push({Piece::Diagnostic, &diagnostic, suppressed ? 1u : 0u});
    }
    // Pushes the bodies of a message list so that they are written next, in
    // their order.
    void messages(const std::vector<U_RefPtr<M_Diagnostic>>& list)
    {
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            diagnostic(**it, false);
    }

    // Writes every pending piece.
    void run();

private:
    struct Piece {
        enum Kind { Location, History, HistoryName, Filename, Int, EntityName, Diagnostic, Param } kind;
        const void* object;
        std::uint32_t value = 0;
    };

    void push(const Piece& piece) { pieces_.push_back(piece); }
    void writeLocation(const U_Location& location);
    void writeDiagnostic(const M_Diagnostic& diagnostic, bool suppressed);

    R_Writer& writer_;
    bool showAlias_;
    std::vector<Piece> pieces_;
};

void R_RecordWalker::run()
{
    R_writeParamTypeVisitor visitor(writer_, *this);
    while (!pieces_.empty()) {
        const Piece piece = pieces_.back();
        pieces_.pop_back();
        switch (piece.kind) {
        case Piece::Location:
            writeLocation(*static_cast<const U_Location*>(piece.object));
            break;
        case Piece::History: {
            // The element's location, then its name and what follows it.
            const auto* element = static_cast<const U_MacroHistory*>(piece.object);
            push({Piece::HistoryName, element});
            push({Piece::Location, &element->location()});
            break;
        }
        case Piece::HistoryName: {
            const auto* element = static_cast<const U_MacroHistory*>(piece.object);
            R_writeIdentifier(writer_, element->macroName());
            if (element->next()) {
                writer_.writeByte(1);
                push({Piece::History, element->next().get()});
            } else {
                writer_.writeByte(0);
            }
            break;
        }
        case Piece::Filename:
            R_writeFilename(writer_, *static_cast<const U_Filename*>(piece.object));
            break;
        case Piece::Int:
            writer_.writeInt(piece.value);
            break;
        case Piece::EntityName: {
            const auto* name = static_cast<const U_EntityDisplayName*>(piece.object);
            writer_.writeString(showAlias_ ? name->aliasName() : name->name());
            break;
        }
        case Piece::Diagnostic:
            writeDiagnostic(*static_cast<const M_Diagnostic*>(piece.object), piece.value != 0);
            break;
        case Piece::Param:
            const_cast<M_ParamType*>(static_cast<const M_ParamType*>(piece.object))->accept(visitor);
            break;
        }
    }
}

void R_RecordWalker::writeLocation(const U_Location& location)
{
    if (!location.isValid())
        throw R_WritingException();
    // The id is taken before the nested parts, so they get higher ids.
    const R_WriterTables::Id id = writer_.tables().location(location);
    writer_.writeInt(id.id);
    if (!id.isNew)
        return;
    R_writeFilename(writer_, location.fileName());
    writer_.writeInt(static_cast<std::uint32_t>(location.line()));
    writer_.writeInt(static_cast<std::uint32_t>(location.column()));
    writer_.writeByte(locationFlags(location));
    // Nested parts in the order includer, history, HL, from, caller; pushed
    // last first.
    const U_LocationData& data = *location.data();
    if (data.hasCalledFromLoc())
        push({Piece::Location, &data.calledFromLoc()});
    if (data.hasInstFromLoc()) {
        push({Piece::EntityName, data.instFromName().get()});
        push({Piece::Location, &data.instFromLoc()});
    }
    if (data.hasHLLoc()) {
        push({Piece::Int, nullptr, static_cast<std::uint32_t>(data.hlLine())});
        push({Piece::Filename, &data.hlFileName()});
    }
    if (data.hasMacroHist())
        push({Piece::History, data.macroHistory().get()});
    if (data.hasInclLoc())
        push({Piece::Location, &data.inclLoc()});
}

void R_RecordWalker::writeDiagnostic(const M_Diagnostic& diagnostic, bool suppressed)
{
    const auto count = static_cast<std::int32_t>(diagnostic.paramCount());
    for (std::int32_t i = count; i-- > 0;)
        push({Piece::Param, diagnostic.param(i)});
    push({Piece::Int, nullptr, static_cast<std::uint32_t>(count)});
    push({Piece::Int, nullptr, diagnostic.hasSubMessages() ? 1u : 0u});
    push({Piece::Int, nullptr, (diagnostic.hiddenByUser() ? 2u : 0u) | (suppressed ? 1u : 0u)});
    push({Piece::Int, nullptr, static_cast<std::uint32_t>(diagnostic.number())});
    push({Piece::Location, &diagnostic.location()});
}

void R_writeParamTypeVisitor::visitMsgList(M_ParamMsgListType& param)
{
    writer_.writeByte(M_byteOf(M_ParamTag::MsgList));
    writer_.writeInt(static_cast<std::uint32_t>(param.messages().size()));
    walker_.messages(param.messages());
}

void R_writeParamTypeVisitor::visitList(M_ParamListType& param)
{
    writer_.writeByte(M_byteOf(M_ParamTag::List));
    writer_.writeInt(static_cast<std::uint32_t>(param.items().size()));
    for (const std::string& item : param.items())
        writer_.writeString(item);
}

void R_writeParamTypeVisitor::visitEntity(M_ParamEntityType& param)
{
    const U_EntityDisplayName& entity = *param.entity();
    const bool kind = param.kind() != 0;
    const std::string text = currentShowAlias() ? (kind ? entity.aliasNameForKind() : entity.aliasName())
                                                : (kind ? entity.nameForKind() : entity.name());
    writer_.writeByte(M_byteOf(M_ParamTag::String));
    writer_.writeCString(text.c_str());
}

void R_writeParamTypeVisitor::visitString(M_ParamStringType& param)
{
    writer_.writeByte(M_byteOf(M_ParamTag::String));
    writer_.writeString(param.text());
}

void R_writeParamTypeVisitor::visitParamType(M_ParamType&) {}

void R_writeLocation(R_Writer& writer, const U_Location& location, bool showAlias)
{
    if (!location.isValid())
        throw R_WritingException();
    R_RecordWalker walker(writer, showAlias);
    walker.location(location);
    walker.run();
}

void R_writeMacroHistory(R_Writer& writer, const U_RefPtr<U_MacroHistory>& first, bool showAlias)
{
    R_RecordWalker walker(writer, showAlias);
    walker.history(*first);
    walker.run();
}

void R_writeDiagnostic(R_Writer& writer, const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed)
{
    // Taken once: the option does not change during a run.
    static const bool showAlias = currentShowAlias();
    if (!diagnostic->location().isValid())
        throw R_WritingException();
    R_RecordWalker walker(writer, showAlias);
    walker.diagnostic(*diagnostic, suppressed);
    walker.run();
}

void R_writeCheckedDiagnostic(R_Writer& writer, const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed)
{
    R_writeDiagnostic(writer, diagnostic, suppressed);
    const auto draw = static_cast<std::uint32_t>(std::rand() % 9999);
    writer.writeInt(draw ^ static_cast<std::uint32_t>(diagnostic->number()));
}

void R_writeParam(M_ParamType& param, R_Writer& writer)
{
    R_RecordWalker walker(writer, currentShowAlias());
    R_writeParamTypeVisitor visitor(writer, walker);
    param.accept(visitor);
    walker.run();
}

void R_writeSuppressionRecord(R_Writer& writer, const U_RefPtr<M_SuppressionRecord>& record)
{
    if (!record->location().isValid() || !record->location2().isValid())
        throw R_WritingException();
    const bool showAlias = currentShowAlias();
    writer.writeByte(static_cast<std::uint8_t>(record->kind() & 0xFF));
    R_writeLocation(writer, record->location(), showAlias);
    writer.writeString(record->reason());
    writer.writeInt(static_cast<std::uint32_t>(record->ranges().size()));
    for (const auto& range : record->ranges()) {
        writer.writeString(range.first);
        writer.writeString(range.second);
    }
    writer.writeByte(M_SuppressionMarker);
    R_writeLocation(writer, record->location2(), showAlias);
    const bool third = record->location3().isValid();
    writer.writeByte(third ? 1 : 0);
    if (third)
        R_writeLocation(writer, record->location3(), showAlias);
}

U_Location R_addHLLoc(const U_Location& location, const U_Filename& file, std::int32_t line)
{
    return location.withHLLoc(file, line);
}

U_Location R_addInstFromLoc(const U_Location& location, const U_Location& from, U_RefPtr<U_EntityDisplayName> name)
{
    return location.withInstFromLoc(from, std::move(name));
}

U_Location R_addCalledFromLoc(const U_Location& location, const U_Location& caller)
{
    return location.withCalledFromLoc(caller);
}
