#include "app/QL_Signal.h"

#include "app/QL_SignalNames.h"
#include "platform/Sanitizer.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

void writeAll(int fd, const char* text) noexcept
{
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(fd, text, left);
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<std::size_t>(n);
    }
}

void install(int signo, void (*handler)(int))
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    ::sigaction(signo, &action, nullptr);
}

} // namespace

void QL_Signal::installHandler(Handler handler)
{
    install(SIGPIPE, SIG_IGN);
    // A file-size limit then fails the write (EFBIG), which the message-file
    // channel undoes, instead of ending the program in the middle of an
    // append.
    install(SIGXFSZ, SIG_IGN);
    for (const QL_SignalName& entry : kQL_SignalNames) {
        if (entry.fault && platform::kAddressSanitizer)
            continue;
        install(entry.signo, handler);
    }
}

const char* QL_Signal::signalText(int signo) noexcept
{
    for (const QL_SignalName& entry : kQL_SignalNames) {
        if (entry.signo == signo)
            return entry.text;
    }
    return "";
}

void QL_Signal::writeCaughtMessage(int signo, int fd) noexcept
{
    writeAll(fd, "Caught signal: (");
    writeAll(fd, signalText(signo));
    writeAll(fd, "Please contact Marrowby.\n");
}
