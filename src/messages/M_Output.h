#pragma once

#include "messages/M_SuppressionRecord.h"
#include "messages/U_Location.h"
#include "util/U_RefPtr.h"

#include "messages/R_Reader.h"
#include "platform/RegularFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class M_Diagnostic;

/// The process-wide output channel for message files: one channel at a time,
/// opened on one file, fed records, then closed. Opening while a channel is
/// open closes it first. Only close() writes: the section a channel gathers
/// reaches its file whole or not at all.
namespace M_Output {

// Closes any open channel, then opens a new one that creates or truncates
// path (internal text). Throws M_BadFileOpenException; the failed channel
// stays installed, closed, until the next close() or open.
void openNew(const std::string& path);
// Closes any open channel, then opens a new one that adds a section to path,
// an existing message file of generation 3. Throws M_BadFileOpenException
// (missing, not a regular file, cannot be opened), M_ShortErrorFileException
// (shorter than its header) or M_BadVersionForAppendException (not of
// generation 3) before any byte is written; the failed channel stays
// installed, closed.
void openAppend(const std::string& path);
// The same for file (path in the exceptions' texts), a message file read as
// image: its section is made for image's bytes and goes only after them
// (whole sections of other runs between them allowed).
void openAppend(const std::string& path, const platform::FileAt& file, R_ReadImage image);
// Writes the open channel's section and removes the channel; nothing when no
// channel is open. The section lands whole after whatever other runs
// appended meanwhile. Throws R_WritingException when the section could not
// be written, the file's lock was not had in time, or the file is no longer
// one to append to (another format; not the bytes the section was made
// for): the file is as it was (lastFailure() says why); the channel is
// removed all the same.
void close();
// Why the last close() threw, or the last openAppend of a FileAt threw
// M_BadFileOpenException; "" when it did not.
const std::string& lastFailure();

// Told the message file's path (native) when a close has waited a second
// for the file's lock.
using LockWaitNotice = std::function<void(const std::string& path)>;
void setLockWaitNotice(LockWaitNotice notice);
const LockWaitNotice& lockWaitNotice();

// Removes the open channel without writing anything: its file stays as it
// was. Nothing when no channel is open.
void drop();

// Sends one suppression record made of the six values to the open channel;
// nothing at all when no channel is open or its open failed. Throws
// R_WritingException, adding nothing, when location or location2 is null.
void sendSuppression(std::uint32_t kind, const U_Location& location, const std::string& reason,
                     const std::vector<M_SuppressionRecord::Range>& ranges, const U_Location& location2,
                     const U_Location& location3);

// Sends a diagnostic through the open channel's filters, marked suppressed
// when hidden by a pragma, inside an in-source suppression stretch, or (under
// "hidemacrowarnings") reached through a macro; counts it whether or not a
// filter drops it. With no channel open it writes a line to standard error
// and throws the int 17.
void send(const U_RefPtr<M_Diagnostic>& diagnostic);
// Writes a diagnostic past every filter; the same failure as send().
void sendUnfiltered(const U_RefPtr<M_Diagnostic>& diagnostic);
// Whether the in-source suppression index covers the diagnostic.
bool isSuppressedInSource(const U_RefPtr<M_Diagnostic>& diagnostic);
// 3 once any channel was opened: the only generation a channel writes.
std::int32_t channelGeneration();

// Diagnostics passed to send() and to sendUnfiltered() since the last open.
std::uint32_t diagnosticCount();
std::uint32_t unfilteredCount();
// Both counts become 0.
void resetCounters();

} // namespace M_Output
