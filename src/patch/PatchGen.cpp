#include "patch/PatchGen.h"

PatchGen_WriterBase::~PatchGen_WriterBase() = default;

PatchGen_ReaderBase::~PatchGen_ReaderBase() = default;

PatchGen::~PatchGen() = default;

bool PatchGen::write(PatchHandler* handler)
{
    return writer_ ? writer_->write(handler) : false;
}

bool PatchGen::read(PatchHandler* handler)
{
    return reader_ ? reader_->read(handler) : false;
}
