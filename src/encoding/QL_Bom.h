#pragma once

#include <QTextCodec>

#include <cstddef>

namespace QL_Bom {

// The codec whose byte-order mark starts the first `size` bytes of data
// (4-, then 3-, then 2-byte marks, only as far as bytes were read), or
// fallback when none does. Marks whose codec Qt does not know are ignored.
QTextCodec* codecForBOM(QTextCodec* fallback, const char* data, std::size_t size);

} // namespace QL_Bom
