#include "cmdline/C_Options.h"

#include "util/U_ProductTable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// One word of the vocabulary: a keyword or an alias, with its option.
struct VocabularyWord {
    C_OptionEntry entry;
    std::uint32_t products;
    bool listed;
    bool isKeyword;
};

// Only the options that have aliases read theirs.
#define VANTREL_OPTION_PRODUCTS(member, keyword, Kind, defaultValue, products, listed) \
    [[maybe_unused]] constexpr std::uint32_t kProductsOf_##member = products;
VANTREL_OPTIONS(VANTREL_OPTION_PRODUCTS)
#undef VANTREL_OPTION_PRODUCTS

#define VANTREL_OPTION_WORD(member, keyword, Kind, defaultValue, products, listed) \
    {{keyword, [](C_Options& o) -> C_OptionBase* { return o.member(); }}, products, listed, true},
#define VANTREL_ALIAS_WORD(member, alias) \
    {{alias, [](C_Options& o) -> C_OptionBase* { return o.member(); }}, kProductsOf_##member, false, false},
const VocabularyWord kVocabulary[] = {VANTREL_OPTIONS(VANTREL_OPTION_WORD) VANTREL_OPTION_ALIASES(VANTREL_ALIAS_WORD)};
#undef VANTREL_OPTION_WORD
#undef VANTREL_ALIAS_WORD

struct ProductTables {
    std::vector<C_OptionEntry> lookup;
    std::vector<C_OptionEntry> settings;
};

std::vector<C_OptionEntry> selectWords(int productIndex, bool settings)
{
    std::vector<C_OptionEntry> rows;
    for (const VocabularyWord& word : kVocabulary) {
        if (!(word.products & (1u << productIndex)))
            continue;
        if (settings && !(word.isKeyword && word.listed))
            continue;
        rows.push_back(word.entry);
    }
    std::sort(rows.begin(), rows.end(), [](const C_OptionEntry& a, const C_OptionEntry& b) {
        return std::strcmp(a.keyword, b.keyword) < 0;
    });
    return rows;
}

// Made from the vocabulary on first use and never changed after.
const std::array<ProductTables, kProductCount>& productTables()
{
    static const std::array<ProductTables, kProductCount> tables = [] {
        std::array<ProductTables, kProductCount> made;
        for (int i = 0; i < kProductCount; ++i)
            made[i] = ProductTables{selectWords(i, false), selectWords(i, true)};
        return made;
    }();
    return tables;
}

const C_OptionEntry* tableRows(int productIndex, std::vector<C_OptionEntry> ProductTables::*table, std::uint32_t& count)
{
    count = 0;
    if (productIndex < 0 || productIndex >= kProductCount)
        return nullptr;
    const std::vector<C_OptionEntry>& rows = productTables()[productIndex].*table;
    count = static_cast<std::uint32_t>(rows.size());
    return rows.data();
}

} // namespace

C_OptionBase* C_OptionEntry::apply(C_Options& options, const C_OptionEntry& row)
{
    return row.accessor(options);
}

const C_OptionEntry* C_OptionEntry::lookupTable(int productIndex, std::uint32_t& count)
{
    return tableRows(productIndex, &ProductTables::lookup, count);
}

const C_OptionEntry* C_OptionEntry::settingsTable(int productIndex, std::uint32_t& count)
{
    return tableRows(productIndex, &ProductTables::settings, count);
}
