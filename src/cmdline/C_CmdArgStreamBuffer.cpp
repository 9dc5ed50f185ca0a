#include "cmdline/C_CmdArgStreamBuffer.h"

#include <algorithm>
#include <cstring>

C_CmdArgStreamBuffer::C_CmdArgStreamBuffer(const U_Product& product, C_SourceStack& stack, U_EncodingKind kind,
                                           std::string tempDirectory)
    : product_(product), stack_(&stack), kind_(kind), tempDirectory_(std::move(tempDirectory))
{
    setg(area_ + kPutBack, area_ + kPutBack, area_ + kPutBack);
}

bool C_CmdArgStreamBuffer::pushFile(const std::string& path)
{
    if (!mayReadAnotherFile())
        return false;
    platform::FileIdentity identity;
    if (platform::fileIdentity(path, identity) && stack_->reads(identity))
        return false;
    if (stack_->optionFileDepth() >= kMaxOptionFileDepth)
        return false;
    stack_->push(U_RefPtr<C_ArgsSource>(new C_FileSource(product_, path, kind_, tempDirectory_)), true);
    return true;
}

bool C_CmdArgStreamBuffer::mayReadAnotherFile() const noexcept
{
    return stack_->optionFilesRead() < kMaxOptionFilesRead;
}

C_CmdArgStreamBuffer::int_type C_CmdArgStreamBuffer::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());

    const std::size_t putBack = std::min<std::size_t>(static_cast<std::size_t>(gptr() - eback()), kPutBack);
    std::memmove(area_ + kPutBack - putBack, gptr() - putBack, putBack);

    if (wordPosition_ >= word_.size()) {
        wordPosition_ = 0;
        if (!stack_->nextWord(word_)) {
            word_.clear();
            setg(area_ + kPutBack - putBack, area_ + kPutBack, area_ + kPutBack);
            return traits_type::eof();
        }
        word_ += '\n';
    }
    const std::size_t count = std::min(kGetArea, word_.size() - wordPosition_);
    std::memcpy(area_ + kPutBack, word_.data() + wordPosition_, count);
    wordPosition_ += count;
    setg(area_ + kPutBack - putBack, area_ + kPutBack, area_ + kPutBack + count);
    return traits_type::to_int_type(*gptr());
}
