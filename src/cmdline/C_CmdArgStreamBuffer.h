#pragma once

#include "cmdline/C_SourceStack.h"
#include "encoding/U_EncodingKind.h"
#include "util/U_Product.h"

#include <cstddef>
#include <streambuf>
#include <string>

/// Presents a C_SourceStack to the option parser as an input stream with one
/// word per line. Its get area never holds bytes of two words and it never
/// reads ahead, so an option file pushed after the parser has read a line is
/// read before the next word.
class C_CmdArgStreamBuffer : public std::streambuf {
public:
    // The most "via" and "list" files open inside one another.
    static constexpr std::size_t kMaxOptionFileDepth = 64;
    // The most "via" and "list" files one parse reads, each reading of a
    // file counted. Files that each name the next one twice, none of them
    // open twice at once nor nested too deep, double the reads at every
    // level: the last of 41 such files would be read 2^40 times.
    static constexpr std::size_t kMaxOptionFilesRead = 4096;

    // kind and tempDirectory are used for the option files pushed later.
    C_CmdArgStreamBuffer(const U_Product& product, C_SourceStack& stack, U_EncodingKind kind,
                         std::string tempDirectory);

    // Pushes the option file path (native encoding) on top of the stack;
    // false, with nothing pushed, when a source on the stack already reads
    // that file or kMaxOptionFileDepth option files are open, since
    // reading it would never end, or when mayReadAnotherFile() is false.
    bool pushFile(const std::string& path);
    // False once kMaxOptionFilesRead option files have been pushed.
    bool mayReadAnotherFile() const noexcept;

protected:
    int_type underflow() override;

private:
    static constexpr std::size_t kPutBack = 4;
    static constexpr std::size_t kGetArea = 6;

    U_Product product_;
    char area_[kPutBack + kGetArea] = {};
    C_SourceStack* stack_;
    U_EncodingKind kind_;
    std::string tempDirectory_;
    std::string word_;
    std::size_t wordPosition_ = 0;
};
