#include "app/QL_Signal.h"

#include "app/QL_SignalNames.h"
#include "platform/RegularFile.h"
#include "platform/Sanitizer.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

void writeAll(int fd, const char* text) noexcept
{
    // Nothing better can be done about a report that cannot be written.
    (void)platform::writeAll(fd, text, std::strlen(text));
}

void install(int signo, void (*handler)(int), const sigset_t& mask)
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    action.sa_mask = mask;
    ::sigaction(signo, &action, nullptr);
}

bool isIgnored(int signo)
{
    struct sigaction current;
    return ::sigaction(signo, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

} // namespace

void QL_Signal::installHandler(Handler handler)
{
    sigset_t none;
    sigemptyset(&none);
    install(SIGPIPE, SIG_IGN, none);
    // A file-size limit then fails the write (EFBIG), which the message-file
    // channel undoes, instead of ending the program in the middle of an
    // append.
    install(SIGXFSZ, SIG_IGN, none);
    sigset_t handled;
    sigemptyset(&handled);
    for (const QL_SignalName& entry : kQL_SignalNames)
        sigaddset(&handled, entry.signo);
    for (const QL_SignalName& entry : kQL_SignalNames) {
        if (entry.fault && platform::kAddressSanitizer)
            continue;
        if (entry.keepIgnored && isIgnored(entry.signo))
            continue;
        install(entry.signo, handler, handled);
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
