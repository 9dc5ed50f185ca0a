#pragma once

#include <cstdint>

/// One row of the product table: a product's name and the names derived
/// from it (environment variables, configuration and rc files), and the row
/// counts of its two option keyword tables.
struct ProductRow {
    const char* name;               // "ZXCPP"; also the RCPATH variable's and the language file's stem
    const char* binVariable;        // the installation's BIN directory
    const char* helpFilesVariable;  // the help directory
    const char* lowerName;          // the configuration file's stem and the message directory
    const char* rcName;             // the rc file is "." + rcName + "rc"
    const char* outPathVariable;    // the output directory
    const char* tempFilesVariable;  // the temporary directory
    std::uint32_t keywordCount;     // rows of the option lookup table
    std::uint32_t settingsCount;    // rows of the settings listing table
};

// The products in row order; row index = position.
constexpr int kProductCount = 4;

// The product table: kProductCount rows, then an empty row (null names, zero
// counts) that ends it.
extern const ProductRow kProductTable[kProductCount + 1];
