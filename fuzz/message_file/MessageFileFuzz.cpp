// The message-file reader over any file, of either generation, and what the
// run then does with what it read: the names of the files the diagnostics
// name, and the diagnostics' texts and ordering, which walk every nested
// part. A damaged file must end in a reading error of the program's own,
// never in a crash, a hang or an allocation the file's size does not justify.
//
// What was read must also survive the record writer: written as a section
// of a fresh file, it reads back as many records, and from then on
// writing and reading give the same bytes every time, so nothing the writer
// emits is read as something else. The first writing may change names: a
// file name is written up to its first NUL, names that are then alike are
// one file, and a name shows the spelling the process interned first.

#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_InputVerro.h"
#include "messages/M_RecordCodes.h"
#include "messages/R_Records.h"
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

bool holdsMessageList(const M_Diagnostic& diagnostic)
{
    for (std::uint64_t i = 0; i < diagnostic.paramCount(); ++i) {
        if (dynamic_cast<const M_ParamMsgListType*>(diagnostic.param(static_cast<std::int32_t>(i))))
            return true;
    }
    return false;
}

// The records of input as a generation-3 file. Diagnostics with message
// lists are left out: "sort-messages" sorts each list again as it is read,
// which may swap messages that compare equal. Plain diagnostics stand for
// checked ones, whose check value is random.
std::string rewrite(const M_InputVerro& input)
{
    R_Writer writer("unused");  // never opened: it only collects the bytes
    writer.writeInt(0x9300);
    writer.writeInt(0);
    writer.writeByte(M_byteOf(M_RecordType::SectionStart));
    writer.writeInt(0);
    for (auto d = input.diagnosticsBegin(); d != input.diagnosticsEnd(); ++d) {
        if (holdsMessageList(**d))
            continue;
        writer.writeByte(M_byteOf(M_RecordType::Diagnostic));
        R_writeDiagnostic(writer, *d, (*d)->hiddenByPragma());
    }
    for (auto s = input.suppressionsBegin(); s != input.suppressionsEnd(); ++s) {
        writer.writeByte(M_byteOf(M_RecordType::Suppression));
        R_writeSuppressionRecord(writer, *s);
    }
    return writer.pending();
}

// Reads written as a message file; every record must read.
U_RefPtr<M_InputVerro> readBack(const std::string& written)
{
    const std::string path = fuzz::writeScratchFile(
        "again.c.err", reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    U_RefPtr<M_InputVerro> input(new M_InputVerro);
    input->open(path);
    return input;
}

std::size_t countOf(const M_InputVerro& input, bool withMessageLists)
{
    std::size_t count = input.suppressionsEnd() - input.suppressionsBegin();
    for (auto d = input.diagnosticsBegin(); d != input.diagnosticsEnd(); ++d)
        count += withMessageLists || !holdsMessageList(**d) ? 1 : 0;
    return count;
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

    // Any exception from here on is a fault: everything was read already.
    const std::string first = rewrite(*input);
    const U_RefPtr<M_InputVerro> firstBack = readBack(first);
    FUZZ_CHECK(countOf(*firstBack, true) == countOf(*input, false));
    const std::string second = rewrite(*firstBack);
    FUZZ_CHECK(rewrite(*readBack(second)) == second);
    return 0;
}
