#pragma once

#include "util/U_RefPtr.h"

#include <string>

class M_Diagnostic;
class M_SuppressionRecord;

/// A message-file channel: an open file that receives diagnostics and
/// suppression records until it is closed. The output module holds one at a
/// time.
class M_OutputBase {
public:
    virtual ~M_OutputBase() = default;

    // Finishes and closes the file; throws R_WritingException when the bytes
    // could not be written (the file is then as it was at open).
    virtual void close() = 0;
    // Why the last close() threw, in a few words; "" when it did not.
    virtual std::string failure() const { return std::string(); }
    // Applies the channel's filters to the diagnostic, then writes it.
    virtual void sendDiagnostic(const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed) = 0;
    // Writes the diagnostic whatever the filters say.
    virtual void writeDiagnostic(const U_RefPtr<M_Diagnostic>& diagnostic, bool suppressed) = 0;
    // Writes the suppression record.
    virtual void writeSuppression(const U_RefPtr<M_SuppressionRecord>& record) = 0;
};
