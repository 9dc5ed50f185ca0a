#include "util/U_Env.h"

#include "util/U_Exception.h"
#include "util/U_Path.h"
#include "util/U_Product.h"

#include <cstdlib>

std::string U_Env::binDirectory(const U_Product& product)
{
    const std::string variable = U_Product::binVariable(product);
    const char* value = std::getenv(variable.c_str());
    if (!value)
        throw C_ConfigurationException("\nERROR: " + variable + " environment variable not found\n");
    return U_Path::toSlashes(value);
}
