#include "util/U_Product.h"

#include "util/U_CountedPtr.h"
#include "util/U_String.h"

#include <algorithm>
#include <cstring>

namespace {

// Longer names are cut to this many characters before the lookup, so that
// no name longer than any product's can match.
const std::size_t kMaxNameLength = 9;

U_CountedPtr<U_Product>& currentHolder()
{
    static U_CountedPtr<U_Product> holder;
    return holder;
}

std::int32_t& selected()
{
    static std::int32_t index = -1;
    return index;
}

std::string column(const U_Product& product, const char* ProductRow::*field)
{
    const ProductRow* row = product.row();
    return row ? std::string(row->*field) : std::string();
}

} // namespace

U_Product::U_Product(const char* name)
{
    if (!name)
        return;
    name_ = name;
    index_ = find(name);
    if (index_ != -1)
        currentHolder() = U_CountedPtr<U_Product>(new U_Product(*this));
}

std::int32_t U_Product::find(const char* name)
{
    std::string copy(name, ::strnlen(name, kMaxNameLength));
    std::replace(copy.begin(), copy.end(), '+', 'P');
    for (std::int32_t i = 0; kProductTable[i].name; ++i) {
        const std::string rowName = kProductTable[i].name;
        if (copy.size() == rowName.size() && U_String::compareNoCase(rowName, copy, rowName.size()) == 0)
            return i;
    }
    return -1;
}

const ProductRow* U_Product::row() const noexcept
{
    return index_ >= 0 && index_ < kProductCount ? &kProductTable[index_] : nullptr;
}

const U_Product& U_Product::current()
{
    static const U_Product none(nullptr);
    const U_CountedPtr<U_Product>& holder = currentHolder();
    return holder.isValid() ? *holder : none;
}

std::int32_t U_Product::selectedIndex() noexcept
{
    return selected();
}

void U_Product::setSelectedIndex(std::int32_t index) noexcept
{
    selected() = index;
}

std::string U_Product::name(const U_Product& product)
{
    return column(product, &ProductRow::name);
}

std::string U_Product::binVariable(const U_Product& product)
{
    return column(product, &ProductRow::binVariable);
}

std::string U_Product::lowerName(const U_Product& product)
{
    return column(product, &ProductRow::lowerName);
}

std::string U_Product::rcName(const U_Product& product)
{
    return column(product, &ProductRow::rcName);
}

std::string U_Product::helpFilesVariable(const U_Product& product)
{
    return column(product, &ProductRow::helpFilesVariable);
}

std::string U_Product::outPathVariable(const U_Product& product)
{
    return column(product, &ProductRow::outPathVariable);
}

std::string U_Product::tempFilesVariable(const U_Product& product)
{
    return column(product, &ProductRow::tempFilesVariable);
}
