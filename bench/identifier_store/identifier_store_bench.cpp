// Times interning 1,000,000 macro-like names (many shared prefixes) into
// U_IdentifierStore against a std::unordered_set<std::string> holding the same
// names, and measures the heap each holds afterwards; then the heap one
// identifier of a million bytes costs, interned whole and built byte by byte,
// against its length. Heap use is counted through this program's replacement
// of the global operator new and delete.

#include "messages/U_IdentifierStore.h"

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

std::size_t liveBytes = 0;
std::size_t liveBlocks = 0;

} // namespace

void* operator new(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    liveBytes += malloc_usable_size(p);
    ++liveBlocks;
    return p;
}

void operator delete(void* p) noexcept
{
    if (!p)
        return;
    liveBytes -= malloc_usable_size(p);
    --liveBlocks;
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> macroNames(std::size_t count)
{
    static const char* const prefixes[] = {
        "", "_", "__", "Q_", "QT_", "SQLITE_", "CONFIG_", "BOOST_PP_", "GL_", "LIBXML_",
        "__GNUC_", "_POSIX_", "HAVE_", "ENABLE_", "USE_", "KEY_", "ERR_", "IOCTL_", "EFI_", "PTHREAD_",
    };
    static const char* const words[] = {
        "NET", "FS", "MM", "USB", "PCI", "DEVICE", "DRIVER", "BUFFER", "SIZE", "MAX", "MIN",
        "COUNT", "FLAG", "MASK", "SHIFT", "OFFSET", "REG", "CTRL", "STATUS", "IRQ", "DMA",
        "CLOCK", "TIMER", "LOCK", "MUTEX", "THREAD", "QUEUE", "LIST", "HASH", "TABLE", "ENTRY",
        "NODE", "PAGE", "CACHE", "BLOCK", "SECTOR", "INODE", "FILE", "PATH", "NAME", "TYPE",
        "KIND", "MODE", "STATE", "INIT", "EXIT", "OPEN", "CLOSE", "READ", "WRITE", "SEND",
        "RECV", "ALLOC", "FREE", "DEBUG", "TRACE", "LOG", "ERROR", "WARN", "INFO", "VERSION",
        "MAJOR", "MINOR", "PATCH",
    };
    std::mt19937_64 random(4711);
    std::unordered_set<std::string> seen;
    std::vector<std::string> names;
    names.reserve(count);
    while (names.size() < count) {
        std::string name = prefixes[random() % std::size(prefixes)];
        const int wordCount = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < wordCount; ++i) {
            if (i)
                name += '_';
            name += words[random() % std::size(words)];
        }
        if (random() % 2)
            name += "_" + std::to_string(random() % 1000);
        if (seen.insert(name).second)
            names.push_back(std::move(name));
    }
    return names;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

struct Figures {
    double fresh = 1e300;    // interning names not yet held
    double present = 1e300;  // interning them again
    std::size_t bytes = 0;   // heap held after the first pass
    std::size_t blocks = 0;
};

// Keeps the interning loops from being optimised away.
volatile std::uintptr_t sink = 0;

template <class Intern>
void measure(Figures& best, const std::vector<std::string>& names, Intern intern)
{
    std::uintptr_t check = 0;
    const auto t0 = Clock::now();
    for (const std::string& name : names)
        check ^= intern(name.c_str());
    const auto t1 = Clock::now();
    for (const std::string& name : names)
        check ^= intern(name.c_str());
    const auto t2 = Clock::now();
    sink = sink ^ check;
    best.fresh = std::min(best.fresh, seconds(t1 - t0));
    best.present = std::min(best.present, seconds(t2 - t1));
}

// Heap held by a store after interning one identifier of length bytes, and
// by an arena after building one such key byte by byte.
std::pair<std::size_t, std::size_t> longIdentifierHeap(std::size_t length)
{
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i)
        text[i] = static_cast<char>('A' + i % 23);
    std::pair<std::size_t, std::size_t> bytes;
    {
        const std::size_t bytes0 = liveBytes;
        U_IdentifierStore identifiers;
        sink = sink ^ reinterpret_cast<std::uintptr_t>(identifiers.intern(text.c_str()).c_str());
        bytes.first = liveBytes - bytes0;
    }
    {
        const std::size_t bytes0 = liveBytes;
        U_IdentifierArena arena;
        for (const char c : text)
            arena.appendByte(c);
        sink = sink ^ reinterpret_cast<std::uintptr_t>(arena.finishKey().first);
        bytes.second = liveBytes - bytes0;
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::vector<std::string> names = macroNames(count);
    std::size_t totalLength = 0;
    for (const std::string& name : names)
        totalLength += name.size();

    Figures store;
    Figures hash;
    for (int round = 0; round < rounds; ++round) {
        {
            const std::size_t bytes0 = liveBytes;
            const std::size_t blocks0 = liveBlocks;
            std::unordered_set<std::string> set;
            measure(hash, names, [&](const char* name) {
                return reinterpret_cast<std::uintptr_t>(&*set.insert(std::string(name)).first);
            });
            hash.bytes = liveBytes - bytes0;
            hash.blocks = liveBlocks - blocks0;
        }
        {
            const std::size_t bytes0 = liveBytes;
            const std::size_t blocks0 = liveBlocks;
            U_IdentifierStore identifiers;
            measure(store, names, [&](const char* name) {
                return reinterpret_cast<std::uintptr_t>(identifiers.intern(name).c_str());
            });
            store.bytes = liveBytes - bytes0;
            store.blocks = liveBlocks - blocks0;
        }
    }

    std::printf("%zu distinct names, %.1f bytes long on average, best of %d rounds\n", names.size(),
                double(totalLength) / names.size(), rounds);
    std::printf("time  U_IdentifierStore / unordered_set<string>, new names:      %.2f\n",
                store.fresh / hash.fresh);
    std::printf("time  U_IdentifierStore / unordered_set<string>, present names:  %.2f\n",
                store.present / hash.present);
    std::printf("time  U_IdentifierStore / unordered_set<string>, both passes:    %.2f  (goal <= 1.50)\n",
                (store.fresh + store.present) / (hash.fresh + hash.present));
    std::printf("heap  U_IdentifierStore %zu bytes in %zu blocks, unordered_set<string> %zu bytes in %zu blocks\n",
                store.bytes, store.blocks, hash.bytes, hash.blocks);
    std::printf("heap  U_IdentifierStore / unordered_set<string>:                 %.2f  (goal <= 1.00)\n",
                double(store.bytes) / double(hash.bytes));

    constexpr std::size_t kLongLength = 1000000;
    const auto [whole, byteByByte] = longIdentifierHeap(kLongLength);
    std::printf("heap  one %zu-byte identifier / its length, interned whole:      %.2f  (goal <= 3.00)\n",
                kLongLength, double(whole) / double(kLongLength));
    std::printf("heap  one %zu-byte identifier / its length, built byte by byte:  %.2f  (goal <= 3.00)\n",
                kLongLength, double(byteByByte) / double(kLongLength));
    return 0;
}
