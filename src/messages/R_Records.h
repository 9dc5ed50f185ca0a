#pragma once

#include "messages/M_Diagnostic.h"
#include "messages/M_SuppressionRecord.h"
#include "messages/R_Reader.h"
#include "messages/R_Writer.h"
#include "messages/U_MacroHistory.h"

// The record bodies of a message file: locations with their nested parts,
// macro histories, diagnostics with their parameters, suppression records.
// Nesting is walked with explicit stacks, never by recursion, so a file
// nested a million deep costs memory, not the program's stack.

// The location record of location, which must not be null (R_WritingException
// before anything is written); showAlias picks the form of entity names.
void R_writeLocation(R_Writer& writer, const U_Location& location, bool showAlias);
// The macro-history record of the chain from first (not null).
void R_writeMacroHistory(R_Writer& writer, const U_RefPtr<U_MacroHistory>& first, bool showAlias);
// A diagnostic body; suppressed sets bit 0 of its flags. The option
// "showalias" is read at the first call in the process and kept. A
// diagnostic without a location is refused (R_WritingException).
void R_writeDiagnostic(R_Writer& writer, const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed);
// R_writeDiagnostic, then the check value.
void R_writeCheckedDiagnostic(R_Writer& writer, const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed);
// One parameter record.
void R_writeParam(M_ParamType& param, R_Writer& writer);
// A suppression body. Its first and second locations must not be null:
// R_WritingException before any byte is written.
void R_writeSuppressionRecord(R_Writer& writer, const U_RefPtr<M_SuppressionRecord>& record);

class R_RecordWalker;

/// Writes the parameter records of a diagnostic body: a text or an entity
/// as tag 1, a list as tag 2, a message list as tag 4 with its bodies, which
/// it hands to the walker that writes them after it.
class R_writeParamTypeVisitor : public M_ParamTypeNav {
public:
    R_writeParamTypeVisitor(R_Writer& writer, R_RecordWalker& walker) : writer_(writer), walker_(walker) {}
    void visitMsgList(M_ParamMsgListType& param) override;
    void visitList(M_ParamListType& param) override;
    // The entity's display text under the current "showalias" and its kind.
    void visitEntity(M_ParamEntityType& param) override;
    void visitString(M_ParamStringType& param) override;
    // Writes nothing: every parameter class has a visit of its own.
    void visitParamType(M_ParamType& param) override;

private:
    R_Writer& writer_;
    R_RecordWalker& walker_;
};

// Each reader throws R_ReadingReadException on a cut, a refused length or
// count, a location id that is neither a filled slot nor the section's next
// new id, or nesting deeper than 4096 levels (locations, macro histories and
// message lists counted together).
U_Location R_readLocation(R_Reader& reader);
U_RefPtr<U_MacroHistory> R_readMacroHistory(R_Reader& reader);
U_RefPtr<M_Diagnostic> R_readDiagnostic(R_Reader& reader);
// R_readDiagnostic, then the check value, read and dropped.
U_RefPtr<M_Diagnostic> R_readCheckedDiagnostic(R_Reader& reader);
U_RefPtr<M_SuppressionRecord> R_readSuppressionRecord(R_Reader& reader);

// The location with the part added, as U_Location's with-operations make it.
U_Location R_addHLLoc(const U_Location& location, const U_Filename& file, std::int32_t line);
U_Location R_addInstFromLoc(const U_Location& location, const U_Location& from, U_RefPtr<U_EntityDisplayName> name);
U_Location R_addCalledFromLoc(const U_Location& location, const U_Location& caller);
