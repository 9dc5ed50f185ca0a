#pragma once

// Runs a byte translator over a byte text, through the string kinds.

#include "encoding/Destination.h"
#include "encoding/Source.h"

#include <functional>
#include <string>

namespace testbytes {

using Translator = std::function<void(Source&, Destination&)>;

// What translate writes for input (which must hold no zero byte).
inline std::string translateText(const Translator& translate, const std::string& input)
{
    StringSource in;
    in.setText(U_RcString(input.c_str()));
    StringDestination out;
    translate(in, out);
    return out.text().c_str();
}

} // namespace testbytes
