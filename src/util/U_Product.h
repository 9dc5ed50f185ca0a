#pragma once

#include "util/U_ProductTable.h"

#include <cstdint>
#include <string>

/// A product named on the command line and its row of the product table.
/// Every valid product made from a name becomes the process-wide current
/// product, which the encoding conversions use.
class U_Product {
public:
    // name may be null (an invalid product, nothing else happens). The index
    // is find(name); a valid product installs a copy of itself as current.
    explicit U_Product(const char* name);
    // Copies name and index; the current product stays.
    U_Product(const U_Product&) = default;
    U_Product& operator=(const U_Product&) = default;

    // The row whose name equals the first nine characters of name, "+" read
    // as "P", letters compared without regard to case; -1 when none does.
    static std::int32_t find(const char* name);

    bool isValid() const noexcept { return index_ != -1; }
    // The row index, -1 for an invalid product.
    std::int32_t index() const noexcept { return index_; }
    // The name exactly as given.
    const std::string& givenName() const noexcept { return name_; }
    // The product's row of the product table; null for an invalid product.
    const ProductRow* row() const noexcept;

    // The last valid product made from a name; an invalid product while
    // there has been none.
    static const U_Product& current();

    // The index that the command line being parsed or made current selected;
    // -1 at start.
    static std::int32_t selectedIndex() noexcept;
    static void setSelectedIndex(std::int32_t index) noexcept;

    // Columns of the product's row; "" for an invalid product.
    static std::string name(const U_Product& product);
    static std::string binVariable(const U_Product& product);
    static std::string lowerName(const U_Product& product);
    static std::string rcName(const U_Product& product);
    static std::string helpFilesVariable(const U_Product& product);
    static std::string outPathVariable(const U_Product& product);
    static std::string tempFilesVariable(const U_Product& product);

    // The language setting and the encoding kinds it gives (kinds as in
    // encoding/U_EncodingKind.h). They belong to the encodings and are built
    // and linked with them.
    // The language file's "KTW_LANG" of section "Japanese", else "LANG",
    // else "default"; remembered unless "NO_LANG_CACHE" is set. Throws
    // C_ConfigurationException when the BIN variable is unset.
    static std::string language(const U_Product& product);
    // The encoding of the product's text outside: eceNone, eceEUC, eceSJIS
    // or eceUTF.
    static int nativeKind(const U_Product& product);
    static int currentNativeKind();
    // The kind into which UTF-8 input files are converted: eceUTF for a
    // product without Japanese encoding, else eceEUC.
    static int workingKind(const U_Product& product);
    static int currentWorkingKind();

private:
    std::string name_;
    std::int32_t index_ = -1;
};
