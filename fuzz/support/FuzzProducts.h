#pragma once

// The product set-up of the harnesses whose readers convert text: every
// product's BIN directory is the scratch directory, whose language files
// make the native encoding Shift-JIS (so conversions really run), and a few
// variables exist for "$NAME" references to find.

namespace fuzz {

// Does the set-up once per process; ZXCPP is the current product afterwards.
void setUpProducts();

} // namespace fuzz
