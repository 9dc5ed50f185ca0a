#include "encoding/U_Encoding.h"

#include "encoding/QL_Codec.h"
#include "encoding/Source.h"
#include "encoding/Destination.h"
#include "encoding/JapaneseTranslators.h"
#include "util/U_Product.h"

#include <cstring>
#include <iostream>
#include <sstream>

namespace U_Encoding {

namespace {

bool isJis(U_EncodingKind kind)
{
    return kind == eceOldJIS || kind == eceNewJIS || kind == eceNECJIS;
}

bool isPlain(U_EncodingKind kind)
{
    return kind == eceNone || kind == eceEUC;
}

void copy(Source& source, Destination& destination)
{
    for (int c = source.Get(); c != -1; c = source.Get())
        destination.Put(c);
}

} // namespace

void translateStream(Source& source, Destination& destination, U_EncodingKind from, U_EncodingKind to)
{
    const bool fromKnown = from >= eceNone && from <= eceNECJIS;
    const bool toKnown = to >= eceNone && to <= eceNECJIS;
    if (!fromKnown || !toKnown) {
        std::cout << "Translation for invalid encodings: " << kindName(from) << " to " << kindName(to)
                  << ", performing binary copy." << std::endl;
        copy(source, destination);
        return;
    }
    if (from == eceNone || to == eceNone) {
        copy(source, destination);
        return;
    }
    if (to == eceEUC) {
        if (from == eceSJIS)
            sjisToEuc(source, destination);
        else if (isJis(from))
            jisToEuc(source, destination);
        else
            copy(source, destination);
    } else if (to == eceSJIS) {
        if (from == eceEUC)
            eucToSjis(source, destination);
        else if (isJis(from))
            jisToSjis(source, destination);
        else
            copy(source, destination);
    } else {  // a JIS kind: the target kind chooses the escapes written
        if (from == eceEUC)
            eucToJis(source, destination, to);
        else if (from == eceSJIS)
            sjisToJis(source, destination, to);
        else
            jisToJis(source, destination, to);
    }
}

std::string translateUtf(const U_Product& product, const std::string& text, U_EncodingKind from,
                         U_EncodingKind to)
{
    std::istringstream in(text);
    std::ostringstream out;
    QL_Codec::translate(product, out, to, in, from, false);
    return out.str();
}

std::string translate(const U_Product& product, const std::string& text, U_EncodingKind from,
                      U_EncodingKind to)
{
    if (from == eceUTF || to == eceUTF)
        return translateUtf(product, text, from, to);
    StringSource source;
    source.setText(U_RcString(text.c_str()));
    // A U_RcString grows by a few bytes at a time, which would copy a long
    // result over and over; the result is handed on as a std::string anyway.
    StdStringDestination destination;
    translateStream(source, destination, from, to);
    return destination.take();
}

std::string toExternal(const std::string& text, const U_Product& product, U_EncodingKind kind)
{
    return isPlain(kind) ? text : translate(product, text, eceEUC, kind);
}

std::string toExternal(const std::string& text, U_EncodingKind kind)
{
    return toExternal(text, U_Product::current(), kind);
}

std::string toNative(const std::string& text)
{
    return toExternal(text, U_Product::currentNativeKind());
}

std::string toInternal(const U_Product& product, const std::string& text, U_EncodingKind kind)
{
    return isPlain(kind) ? text : translate(product, text, kind, eceEUC);
}

std::string toInternal(const std::string& text, U_EncodingKind kind)
{
    return toInternal(U_Product::current(), text, kind);
}

std::string fromNative(const U_Product& product, const std::string& text)
{
    return toInternal(product, text, U_Product::nativeKind(product));
}

std::string fromNative(const std::string& text)
{
    return toInternal(text, U_Product::currentNativeKind());
}

} // namespace U_Encoding
