#include "util/U_ProductTable.h"

const ProductRow kProductTable[kProductCount + 1] = {
    {"ZXCPP", "ZXCPPBIN", "ZXCPPHELPFILES", "zxcpp", "zxcpp", "ZXCPPOUTPATH", "ZXCPPTEMPFILES", 234, 85},
    {"ZXC", "ZXCBIN", "ZXCHELPFILES", "zxc", "zxc", "ZXCOUTPATH", "ZXCTEMPFILES", 166, 74},
    {"ZXD", "ZXDBIN", "ZXDHELPFILES", "zxd", "zxd", "ZXDOUTPATH", "ZXDTEMPFILES", 103, 41},
    {"ZXJ", "ZXJBIN", "ZXJHELPFILES", "zxj", "zxj", "ZXJOUTPATH", "ZXJTEMPFILES", 107, 44},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},
};
