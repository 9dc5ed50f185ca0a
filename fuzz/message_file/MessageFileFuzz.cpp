// The message-file reader over any file, of either generation, and what the
// run then does with what it read: the names of the files the diagnostics
// name, and the diagnostics' texts and ordering, which walk every nested
// part. A damaged file must end in a reading error of the program's own,
// never in a crash, a hang or an allocation the file's size does not justify.

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_InputVerro.h"
#include "support/FuzzInput.h"
#include "support/FuzzProducts.h"

#include <cstdint>
#include <set>
#include <sstream>
#include <string>

namespace {

// A ZXC command line with the debug flags that reach the most code, current
// for good.
void makeCommandLineCurrent()
{
    static const bool done = [] {
        fuzz::setUpProducts();
        static C_CmdArgs* const cmdArgs = new C_CmdArgs("ZXC", 0, nullptr);
        // Sorted message lists, and texts that walk every chain of a place.
        for (const char* flag : {"sort-messages", "showInclLoc", "showInstLoc", "showCallLoc"}) {
            std::istringstream word(flag);
            cmdArgs->options()->debug()->parse(word, false);
        }
        cmdArgs->makeCurrent();
        return true;
    }();
    (void)done;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    makeCommandLineCurrent();
    const std::string path = fuzz::writeScratchFile("a.c.err", data, size);

    U_RefPtr<M_InputVerro> input(new M_InputVerro);
    fuzz::expectOnlyReadingErrors([&] {
        input->setFileName(fuzz::scratchDirectory() + "/a.c");
        input->open(path);
    });

    // What was read before a failure stays and is used the same way.
    std::set<std::string> names;
    const U_RefPtr<M_Diagnostic>* previous = nullptr;
    for (auto d = input->diagnosticsBegin(); d != input->diagnosticsEnd(); ++d) {
        FUZZ_CHECK(d->isValid());
        const U_Location& location = (*d)->location();
        if (location) {
            names.insert(location.fileName().storedFullName());
            if (previous && (*previous)->location())
                (void)M_Diagnostic::compare(*previous, *d);
        }
        (void)(*d)->toString();
        previous = &*d;
    }
    for (auto s = input->suppressionsBegin(); s != input->suppressionsEnd(); ++s)
        FUZZ_CHECK(s->isValid());
    return 0;
}
