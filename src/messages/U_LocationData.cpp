#include "messages/U_LocationData.h"

#include "messages/U_ChainRelease.h"
#include "messages/U_EntityDisplayName.h"
#include "messages/U_Location.h"
#include "messages/U_MacroHistory.h"

#include <iterator>
#include <new>
#include <vector>

struct U_LocationData::InclLoc {
    static constexpr Part kBit = kInclLoc;
    U_Location includer;
};

struct U_LocationData::MacroHist {
    static constexpr Part kBit = kMacroHist;
    U_RefPtr<U_MacroHistory> history;
};

struct U_LocationData::HLLoc {
    static constexpr Part kBit = kHLLoc;
    U_Filename file;
    std::int32_t line;
};

struct U_LocationData::InstFromLoc {
    static constexpr Part kBit = kInstFromLoc;
    U_Location from;
    U_RefPtr<U_EntityDisplayName> name;
    std::uint32_t depth;
};

struct U_LocationData::CalledFromLoc {
    static constexpr Part kBit = kCalledFromLoc;
    U_Location caller;
};

std::size_t U_LocationData::room(std::uint8_t parts, std::uint8_t below) noexcept
{
    // In part order: include, macro history, HL, instantiated-from,
    // called-from. Each part takes a multiple of the pointer size, so the
    // next one stays aligned.
    constexpr std::size_t kAlign = alignof(void*);
    constexpr auto roundUp = [](std::size_t size) { return (size + kAlign - 1) / kAlign * kAlign; };
    static constexpr std::size_t kRoom[] = {
        roundUp(sizeof(InclLoc)), roundUp(sizeof(MacroHist)), roundUp(sizeof(HLLoc)),
        roundUp(sizeof(InstFromLoc)), roundUp(sizeof(CalledFromLoc)),
    };
    static_assert(sizeof(U_LocationData) % kAlign == 0, "parts follow the object");
    static_assert(alignof(InclLoc) <= kAlign && alignof(MacroHist) <= kAlign && alignof(HLLoc) <= kAlign
                      && alignof(InstFromLoc) <= kAlign && alignof(CalledFromLoc) <= kAlign,
                  "parts are pointer-aligned");
    std::size_t size = 0;
    for (unsigned i = 0; (1u << i) < below && i < std::size(kRoom); ++i) {
        if (parts & (1u << i))
            size += kRoom[i];
    }
    return size;
}

template <class P>
P& U_LocationData::part() const noexcept
{
    auto* base = reinterpret_cast<char*>(const_cast<U_LocationData*>(this));
    return *std::launder(reinterpret_cast<P*>(base + sizeof(U_LocationData) + room(parts_, P::kBit)));
}

U_LocationData::U_LocationData(const U_Filename& file, std::int32_t line, std::int32_t column,
                               std::uint8_t parts) noexcept
    : file_(file), line_(line), column_(column), parts_(parts)
{
}

U_LocationData* U_LocationData::allocate(const U_Filename& file, std::int32_t line, std::int32_t column,
                                         std::uint8_t parts)
{
    const std::size_t size = sizeof(U_LocationData) + room(parts, kAllParts);
    return new (::operator new(size)) U_LocationData(file, line, column, parts);
}

void U_LocationData::operator delete(void* object) noexcept
{
    ::operator delete(object);
}

U_LocationData::~U_LocationData()
{
    U_ChainRelease release;
    // Handed over in the reverse of the release order: the queue is last in,
    // first out.
    if (hasInclLoc()) {
        release.take(part<InclLoc>().includer);
        part<InclLoc>().~InclLoc();
    }
    if (hasMacroHist()) {
        release.take(part<MacroHist>().history);
        part<MacroHist>().~MacroHist();
    }
    if (hasHLLoc())
        part<HLLoc>().~HLLoc();
    if (hasInstFromLoc()) {
        InstFromLoc& inst = part<InstFromLoc>();
        release.take(inst.from);
        release.take(inst.name);
        inst.~InstFromLoc();
    }
    if (hasCalledFromLoc()) {
        release.take(part<CalledFromLoc>().caller);
        part<CalledFromLoc>().~CalledFromLoc();
    }
}

// ---------------------------------------------------------------- factory

U_RefPtr<U_LocationData> U_LocationData::create(const U_Filename& file, std::int32_t line, std::int32_t column)
{
    return allocate(file, line, column, 0);
}

U_RefPtr<U_LocationData> U_LocationData::create(const U_Location& includer, const U_Filename& file,
                                                 std::int32_t line, std::int32_t column)
{
    return create(includer, U_RefPtr<U_MacroHistory>(), file, line, column);
}

U_RefPtr<U_LocationData> U_LocationData::create(const U_RefPtr<U_MacroHistory>& history, const U_Filename& file,
                                                 std::int32_t line, std::int32_t column)
{
    return create(U_Location(), history, file, line, column);
}

U_RefPtr<U_LocationData> U_LocationData::create(const U_Location& includer,
                                                 const U_RefPtr<U_MacroHistory>& history,
                                                 const U_Filename& file, std::int32_t line, std::int32_t column)
{
    std::uint8_t parts = 0;
    if (includer)
        parts |= kInclLoc;
    if (history)
        parts |= kMacroHist;
    U_LocationData* data = allocate(file, line, column, parts);
    if (includer)
        new (&data->part<InclLoc>()) InclLoc{includer};
    if (history)
        new (&data->part<MacroHist>()) MacroHist{history};
    return data;
}

// ---------------------------------------------------------------- getters

const U_Location& U_LocationData::inclLoc() const noexcept
{
    return part<InclLoc>().includer;
}

const U_RefPtr<U_MacroHistory>& U_LocationData::macroHistory() const noexcept
{
    return part<MacroHist>().history;
}

const U_Filename& U_LocationData::hlFileName() const noexcept
{
    return part<HLLoc>().file;
}

std::int32_t U_LocationData::hlLine() const noexcept
{
    return part<HLLoc>().line;
}

const U_Location& U_LocationData::instFromLoc() const noexcept
{
    return part<InstFromLoc>().from;
}

const U_RefPtr<U_EntityDisplayName>& U_LocationData::instFromName() const noexcept
{
    return part<InstFromLoc>().name;
}

std::uint32_t U_LocationData::instFromDepth() const noexcept
{
    return part<InstFromLoc>().depth;
}

const U_Location& U_LocationData::calledFromLoc() const noexcept
{
    return part<CalledFromLoc>().caller;
}

// ---------------------------------------------------------------- with-operations

U_LocationData* U_LocationData::copySetting(Part set) const
{
    const auto kept = static_cast<std::uint8_t>(parts_ & ~set);
    U_LocationData* data = allocate(file_, line_, column_, static_cast<std::uint8_t>(kept | set));
    if (kept & kInclLoc)
        new (&data->part<InclLoc>()) InclLoc(part<InclLoc>());
    if (kept & kMacroHist)
        new (&data->part<MacroHist>()) MacroHist(part<MacroHist>());
    if (kept & kHLLoc)
        new (&data->part<HLLoc>()) HLLoc(part<HLLoc>());
    if (kept & kInstFromLoc)
        new (&data->part<InstFromLoc>()) InstFromLoc(part<InstFromLoc>());
    if (kept & kCalledFromLoc)
        new (&data->part<CalledFromLoc>()) CalledFromLoc(part<CalledFromLoc>());
    return data;
}

U_RefPtr<U_LocationData> U_LocationData::withHLLoc(const U_Filename& file, std::int32_t line) const
{
    U_LocationData* data = copySetting(kHLLoc);
    new (&data->part<HLLoc>()) HLLoc{file, line};
    return data;
}

U_RefPtr<U_LocationData> U_LocationData::withInstFromLoc(const U_Location& from,
                                                          U_RefPtr<U_EntityDisplayName> name) const
{
    if (!from)
        return copySetting(Part(0));
    // The depth follows from the from-location alone; a part this object
    // holds is replaced, not counted.
    const std::uint32_t depth = from.hasInstFromLoc() ? from.data()->instFromDepth() + 1 : 1;
    U_LocationData* data = copySetting(kInstFromLoc);
    new (&data->part<InstFromLoc>()) InstFromLoc{from, std::move(name), depth};
    return data;
}

U_RefPtr<U_LocationData> U_LocationData::withCalledFromLoc(const U_Location& caller) const
{
    if (!caller)
        return copySetting(Part(0));
    auto withCaller = [](const U_LocationData& source, U_Location newCaller) {
        U_LocationData* data = source.copySetting(kCalledFromLoc);
        new (&data->part<CalledFromLoc>()) CalledFromLoc{std::move(newCaller)};
        return U_RefPtr<U_LocationData>(data);
    };
    if (!hasCalledFromLoc())
        return withCaller(*this, caller);

    // The chain this -> y1 -> ... -> yk is copied from its far end back, so
    // a long chain costs no stack.
    std::vector<const U_LocationData*> chain;
    for (const U_LocationData* link = this; link->hasCalledFromLoc(); link = link->calledFromLoc().data())
        chain.push_back(link);
    U_RefPtr<U_LocationData> tail = withCaller(*chain.back()->calledFromLoc().data(), caller);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        tail = withCaller(**it, U_Location(std::move(tail)));
    return tail;
}
