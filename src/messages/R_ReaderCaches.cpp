#include "messages/R_ReaderCaches.h"

void R_ReaderLocData::clear()
{
    slots_.clear();
    begun_ = 0;
}

void R_ReaderLocData::set(std::int32_t id, const U_Location& location)
{
    if (id < 0)
        return;
    const auto index = static_cast<std::size_t>(id);
    if (index >= slots_.size())
        slots_.resize(index + 1);
    slots_[index] = location;
}

void R_ReaderCaches::clear()
{
    identifiers.clear();
    filenames.clear();
    locations.clear();
}
