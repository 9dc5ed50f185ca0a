#include "driver/KestroveDriver.h"

int main(int argc, char** argv)
{
    KestroveDriver driver;
    return driver.exec(argc, argv);
}
