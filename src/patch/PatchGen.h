#pragma once

class PatchHandler;

/// Where a patch cache is saved to: open a destination, write a cache into
/// it, close it.
class PatchGen_WriterBase {
public:
    virtual ~PatchGen_WriterBase();
    // Prepares path for writing; false when it cannot be.
    virtual bool open(const char* path) = 0;
    // Finishes what was written; false when it did not all arrive.
    virtual bool close() = 0;
    // Writes the whole of handler; false on any failure.
    virtual bool write(PatchHandler* handler) = 0;
};

/// Where a patch cache is loaded from: open a source, read it into a cache,
/// close it.
class PatchGen_ReaderBase {
public:
    virtual ~PatchGen_ReaderBase();
    // Names the source to read; false when it cannot be used.
    virtual bool open(const char* path) = 0;
    virtual bool close() = 0;
    // Loads the source into handler; false on failure.
    virtual bool read(PatchHandler* handler) = 0;
};

/// The driver's single door for loading and saving the patch cache; the
/// strategies behind it are the caller's and are not owned here.
class PatchGen {
public:
    PatchGen() = default;
    virtual ~PatchGen();

    void setWriter(PatchGen_WriterBase* writer) { writer_ = writer; }
    void setReader(PatchGen_ReaderBase* reader) { reader_ = reader; }

    // The writer's result; false without a writer.
    bool write(PatchHandler* handler);
    // The reader's result; false without a reader.
    bool read(PatchHandler* handler);

private:
    PatchGen_WriterBase* writer_ = nullptr;
    PatchGen_ReaderBase* reader_ = nullptr;
};
