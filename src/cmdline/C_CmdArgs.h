#pragma once

#include "util/U_Product.h"
#include "util/U_Ref.h"
#include "util/U_RefPtr.h"

#include <istream>
#include <string>
#include <vector>

class C_OptionBase;
class C_Options;
class C_OrphanHandler;
class C_SourceStack;
struct C_OptionEntry;

/// One command line of one product: the words after the product argument and
/// the option set that parsing fills. One command line at a time is the
/// process-wide current one, through which the program reads its options.
class C_CmdArgs : public U_Ref {
public:
    // The product named productName (a valid one becomes the current
    // U_Product) with argv[0..argc) as its words; an option set only for a
    // valid product.
    C_CmdArgs(const char* productName, int argc, char** argv);
    // Product, words and flags copied; a new option set copied from the
    // source's, sharing no value with it. The source must have options.
    C_CmdArgs(const C_CmdArgs& other);
    C_CmdArgs& operator=(const C_CmdArgs&) = delete;
    ~C_CmdArgs() override;

    // The product named for this command line (index -1 when invalid).
    const U_Product& product() const noexcept { return product_; }
    // The option set; null for an invalid product.
    C_Options* options() const noexcept { return options_.get(); }

    // Appends argv[0..argc) to the words; the command line counts as not
    // parsed.
    void addArgs(int argc, char** argv);

    // Loads and parses the option sources once (configuration file, rc file,
    // command line), handing every non-option word to handler. Parser
    // exceptions pass through.
    void parse(C_OrphanHandler& handler);
    // The once-only loading of the sources onto stack and their parsing.
    void loadSources(C_OrphanHandler& handler, C_SourceStack& stack);
    // Parses words with this product selected; the selected product index is
    // restored on every way out.
    void parseStream(std::istream& words, C_OrphanHandler& handler);
    // Consumes words until the stream has no line left.
    void parseOptions(std::istream& words, C_OrphanHandler& handler);

    // The option whose keyword among rows is the longest prefix of text,
    // letters A-Z compared without regard to case; matchedLength receives its
    // length. Null and 0 when no keyword begins text. rows must be in byte
    // order.
    C_OptionBase* findOption(const char* text, int& matchedLength, const C_OptionEntry* rows, int rowCount);

    // Installs a private copy of this command line as the current one and
    // selects its product index for good. Needs a valid product.
    void makeCurrent();
    // The current command line; null until makeCurrent has run.
    static C_CmdArgs* current();

    // C_Options::hasDebugFlag of cmdArgs' option set.
    static bool hasDebugFlag(const C_CmdArgs& cmdArgs, const char* name);
    // The same for the current command line; false while there is none.
    static bool currentHasDebugFlag(const char* name);

private:
    U_Product product_;
    std::vector<std::string> arguments_;
    U_RefPtr<C_Options> options_;
    bool parsed_ = false;
    bool sourcesLoaded_ = false;
};
