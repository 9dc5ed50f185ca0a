#include "messages/M_Output.h"

#include "cmdline/C_Options.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_ErrorFileException.h"
#include "messages/M_OutputVerro2.h"
#include "messages/M_SuppressionIndex.h"
#include "messages/R_Exceptions.h"

#include <iostream>
#include <memory>

namespace {

// The module's state; at exit an open channel is dropped without writing.
struct OutputState {
    std::unique_ptr<M_OutputBase> channel;
    std::uint32_t diagnosticCount = 0;
    std::uint32_t unfilteredCount = 0;
    std::int32_t generation = 0;
    std::string failure;
    M_Output::LockWaitNotice lockWaitNotice;
};

OutputState& state()
{
    static OutputState s;
    return s;
}

// Closes any open channel and installs a new one of generation 3.
M_OutputVerro2& install()
{
    M_Output::close();
    auto channel = std::make_unique<M_OutputVerro2>();
    M_OutputVerro2& installed = *channel;
    state().generation = 3;
    state().channel = std::move(channel);
    return installed;
}

} // namespace

namespace M_Output {

void openNew(const std::string& path)
{
    install().openNew(path);
}

void openAppend(const std::string& path)
{
    install().openAppend(path);
}

void openAppend(const std::string& path, const platform::FileAt& file, R_ReadImage image)
{
    M_OutputVerro2& channel = install();
    state().failure.clear();
    try {
        channel.openAppend(path, file, std::move(image));
    } catch (const M_BadFileOpenException&) {
        state().failure = channel.failure();
        throw;
    }
}

void close()
{
    const std::unique_ptr<M_OutputBase> channel = std::move(state().channel);
    state().failure.clear();
    if (!channel)
        return;
    try {
        channel->close();
    } catch (const R_WritingException&) {
        state().failure = channel->failure();
        throw;
    }
}

const std::string& lastFailure()
{
    return state().failure;
}

void setLockWaitNotice(LockWaitNotice notice)
{
    state().lockWaitNotice = std::move(notice);
}

const LockWaitNotice& lockWaitNotice()
{
    return state().lockWaitNotice;
}

void drop()
{
    state().channel.reset();
}

void sendSuppression(std::uint32_t kind, const U_Location& location, const std::string& reason,
                     const std::vector<M_SuppressionRecord::Range>& ranges, const U_Location& location2,
                     const U_Location& location3)
{
    if (!state().channel)
        return;
    state().channel->writeSuppression(new M_SuppressionRecord(kind, location, reason, ranges, location2, location3));
}

namespace {

// The plain int (no exception object) thrown when a diagnostic is sent
// before any open.
constexpr int kNotOpen = 17;

void requireChannel(int line)
{
    if (!state().channel) {
        std::cerr << "M_Output:" << line << ": Cannot send information before open()." << std::endl;
        throw kNotOpen;
    }
}

} // namespace

void send(const U_RefPtr<M_Diagnostic>& diagnostic)
{
    requireChannel(81);
    static const bool hideMacroWarnings = C_Options::current_hidemacrowarnings()->value();
    bool suppressed = diagnostic->hiddenByPragma() || isSuppressedInSource(diagnostic);
    if (!suppressed && hideMacroWarnings && diagnostic->location())
        suppressed = diagnostic->location().hasMacroHist();
    state().channel->sendDiagnostic(diagnostic, suppressed);
    ++state().diagnosticCount;
}

void sendUnfiltered(const U_RefPtr<M_Diagnostic>& diagnostic)
{
    requireChannel(99);
    state().channel->writeDiagnostic(diagnostic, false);
    ++state().unfilteredCount;
}

bool isSuppressedInSource(const U_RefPtr<M_Diagnostic>& diagnostic)
{
    return M_SuppressionIndex::instance().isSuppressed(diagnostic->number(), diagnostic->location());
}

std::int32_t channelGeneration()
{
    return state().generation;
}

std::uint32_t diagnosticCount()
{
    return state().diagnosticCount;
}

std::uint32_t unfilteredCount()
{
    return state().unfilteredCount;
}

void resetCounters()
{
    state().diagnosticCount = 0;
    state().unfilteredCount = 0;
}

} // namespace M_Output
