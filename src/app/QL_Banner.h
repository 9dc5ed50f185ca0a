#pragma once

// The program's banner: printed for "-ver..." arguments and the "version"
// option, and the first lines of the usage text. The first line is the
// system's own, kept byte for byte.
constexpr char kQL_Banner[] =
    "Vantrel Diagnostic baseline patch and ransform location processor 0.6 build 4212 Sep 11 2013 for Windows 64-bit\n"
    "Copyright (C) Marrowby. All rights reserved.\n";
