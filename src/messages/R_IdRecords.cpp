#include "messages/R_IdRecords.h"

#include "messages/R_Exceptions.h"

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace {

// A text the identifier store does not take is a value the reader refuses.
U_Identifier intern(const char* text)
{
    try {
        return U_Identifier(text);
    } catch (const std::length_error&) {
        throw R_ReadingReadException(EINVAL);
    }
}

} // namespace

void R_writeIdentifier(R_Writer& writer, U_Identifier name)
{
    const R_WriterTables::Id id = writer.tables().identifier(name);
    writer.writeInt(id.id);
    if (id.isNew)
        writer.writeCString(name.c_str());
}

void R_writeFilename(R_Writer& writer, const U_Filename& file)
{
    const R_WriterTables::Id id = writer.tables().filename(file.fullNameHandle());
    writer.writeInt(id.id);
    if (id.isNew) {
        writer.writeString(file.storedFullName());
        writer.writeString(file.storedName());
    }
}

U_Identifier R_readIdentifier(R_Reader& reader)
{
    const std::int32_t id = reader.readSignedInt();
    auto& cache = reader.caches().identifiers;
    if (cache.has(id))
        return cache.get(id);
    const std::int32_t length = reader.readSignedInt();
    reader.requireBytes(length);
    constexpr std::int32_t kStackSize = 64;
    char stackBuffer[kStackSize];
    std::vector<char> heapBuffer;
    char* text = stackBuffer;
    if (length >= kStackSize) {
        heapBuffer.resize(static_cast<std::size_t>(length) + 1);
        text = heapBuffer.data();
    }
    reader.readRaw(text, static_cast<std::uint64_t>(length));
    text[length] = '\0';
    const U_Identifier name = intern(text);
    cache.append(name);
    return name;
}

U_Filename R_readFilename(R_Reader& reader)
{
    const std::int32_t id = reader.readSignedInt();
    auto& cache = reader.caches().filenames;
    if (cache.has(id))
        return cache.get(id);
    const std::string fullName = R_readString(reader);
    const std::string name = R_readString(reader);
    const U_Filename file(fullName, name);
    cache.append(file);
    return file;
}
