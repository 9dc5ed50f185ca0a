#pragma once

#include <string>

class U_Product;

/// Places of a product's installation, found through its environment
/// variables.
namespace U_Env {

// The value of the product's BIN variable with backslashes turned into "/"
// ("" when it is set but empty). Throws C_ConfigurationException
// "\nERROR: <variable> environment variable not found\n" when it is not set.
std::string binDirectory(const U_Product& product);

} // namespace U_Env
