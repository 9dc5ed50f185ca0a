#include "cmdline/C_CmdArgs.h"

#include "cmdline/C_ArgsSource.h"
#include "cmdline/C_Cfg.h"
#include "cmdline/C_CmdArgStreamBuffer.h"
#include "cmdline/C_NamedFileRegistry.h"
#include "cmdline/C_OptionExceptions.h"
#include "cmdline/C_Options.h"
#include "cmdline/C_OrphanHandler.h"
#include "cmdline/C_SourceStack.h"
#include "cmdline/U_EnvDirectories.h"
#include "util/U_Env.h"
#include "util/U_Exception.h"
#include "util/U_Path.h"

#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Puts the selected product index back however the parse ends.
class SelectedIndexRestorer {
public:
    explicit SelectedIndexRestorer(std::int32_t index) : saved_(U_Product::selectedIndex())
    {
        U_Product::setSelectedIndex(index);
    }
    ~SelectedIndexRestorer() { U_Product::setSelectedIndex(saved_); }
    SelectedIndexRestorer(const SelectedIndexRestorer&) = delete;
    SelectedIndexRestorer& operator=(const SelectedIndexRestorer&) = delete;

private:
    std::int32_t saved_;
};

// What standard error says of an rc file that the lookup passed over for its
// owner.
std::string rcFileSkippedWarning(const std::string& path)
{
    return "\nWARNING: Ignoring rc file " + path + ": not owned by the running user or root\n\n";
}

} // namespace

void C_CmdArgs::parse(C_OrphanHandler& handler)
{
    C_SourceStack stack(true);
    loadSources(handler, stack);
}

void C_CmdArgs::loadSources(C_OrphanHandler& handler, C_SourceStack& stack)
{
    if (sourcesLoaded_)
        return;
    if (!options_)
        throw U_AssertException();  // an invalid product has nothing to parse into
    const U_EncodingKind kind = U_Product::nativeKind(product_);
    // The first lookup of the temporary directory comes before any file is
    // opened: without one nothing is read at all.
    const std::string cfgTempDirectory = U_Env::tempDirectory(product_);
    U_CountedPtr<TranslatedFile> cfg =
        C_Cfg::read(kind, cfgTempDirectory, U_Env::binDirectory(product_).c_str(),
                    U_Product::lowerName(product_).c_str(), C_Cfg::sectionTable(product_.index()), true);

    C_NamedFileRegistry::clear();
    stack.push(U_RefPtr<C_ArgsSource>(new C_ArgvSource(product_, arguments_)));
    std::vector<std::string> skipped;
    const std::string rcFile = U_Env::rcFile(product_, skipped);
    for (const std::string& path : skipped)
        std::cerr << rcFileSkippedWarning(path) << std::flush;
    // The owner is checked again on the file opened: one put in its place
    // since the lookup gives no words.
    stack.push(U_RefPtr<C_ArgsSource>(new C_FileSource(product_, rcFile, kind, U_Env::tempDirectory(product_),
                                                       TranslatedFile::Owner::UserOrRoot)));
    if (cfg)
        stack.push(U_RefPtr<C_ArgsSource>(new C_FileSource(product_, cfg)));

    C_CmdArgStreamBuffer buffer(product_, stack, kind, U_Env::tempDirectory(product_));
    std::istream words(&buffer);
    parseStream(words, handler);
    sourcesLoaded_ = true;

    const std::string& crossModule = options_->crossmoduleanalysisfile()->value();
    if (!crossModule.empty())
        C_NamedFileRegistry::insert(U_Filename::fromPath(U_Path::toSlashes(crossModule)));
}

void C_CmdArgs::parseStream(std::istream& words, C_OrphanHandler& handler)
{
    SelectedIndexRestorer selected(product_.index());
    parsed_ = false;
    parseOptions(words, handler);
    parsed_ = true;
}

void C_CmdArgs::parseOptions(std::istream& words, C_OrphanHandler& handler)
{
    if (!options_)
        throw U_AssertException();
    std::uint32_t rowCount = 0;
    const C_OptionEntry* rows = C_OptionEntry::lookupTable(product_.index(), rowCount);
    std::string line;
    while (std::getline(words, line)) {
        // An empty word (an empty argument, or a line break inside one) is
        // never an input file.
        if (line.empty())
            continue;
        if (line[0] != '-') {
            handler.handle(*this, line);
            continue;
        }
        int matched = 0;
        C_OptionBase* option = findOption(line.c_str() + 1, matched, rows, static_cast<int>(rowCount));
        if (!option) {
            C_InvalidArgException unknown(line);
            if (options_->errorinvalidcfgarg()->value())
                throw unknown;
            std::cerr << unknown.what() << std::flush;
            continue;
        }
        const std::string rest = line.substr(1 + static_cast<std::size_t>(matched));
        try {
            if (rest.empty()) {
                option->set(words, false);
            } else if (C_OptionVia* via = dynamic_cast<C_OptionVia*>(option)) {
                // An attached file name is taken as it stands: -via=x names "=x".
                C_OptionVia::openFile(*via, rest.c_str(), words);
            } else {
                std::istringstream attached(rest);
                option->set(attached, true);
            }
        } catch (const C_ViaLimitException&) {
            throw;
        } catch (const C_InvalidArgValueException& bad) {
            if (options_->errorinvalidcfgvalue()->value())
                throw;
            std::cerr << bad.what() << std::flush;
        } catch (const C_ValueExpectedException& missing) {
            if (options_->errorinvalidcfgvalue()->value())
                throw;
            std::cerr << missing.what() << std::flush;
        }
    }
}
