#pragma once

#include "patch/PatchLines.h"

#include <QXmlStreamReader>

#include <string>

class PatchGen_ReaderXML;

/// One FILE element of "patch.xml" as it is read, with the stamp of the
/// PATCHFILE element around it.
struct PatchRecord {
    PatchLines patches;  // in document order
    std::string name;
    std::string date;
    std::string sname;
    std::string sdate;
};

/// Reads "patch.xml" and hands every complete record to a callback: first
/// the stamp alone (a record with an empty name), then each FILE element once
/// its end tag has been read. An element cut off by an XML error or by the
/// end of the input is never handed over, so a damaged file yields exactly
/// the entries that were written whole before the damage. A file that
/// declares more than the layout's document type is not parsed at all: its
/// entities could make the text in memory grow far beyond the file.
/// Namespaces are not processed: "xmlns" attributes declare nothing and no
/// prefix is looked up, so reading takes time linear in the file's size
/// whatever its markup holds.
class PatchRecordStreamReader : public QXmlStreamReader {
public:
    using Callback = void (*)(PatchGen_ReaderXML* owner, const PatchRecord& record);

    // How a parse ended.
    enum class Result {
        Clean,    // read to its end
        Damaged,  // an XML error or a cut; the records before it were handed over
        Refused,  // not parsed (isUsablePatchXml): nothing was handed over
    };

    PatchRecordStreamReader(PatchGen_ReaderXML* owner, Callback callback);
    virtual ~PatchRecordStreamReader();

    // Reads the whole of device, then parses it as parse(bytes) does.
    Result parse(QIODevice* device);
    // Parses the bytes of a "patch.xml" (patchXmlDocument) to their end or
    // their first error, unless isUsablePatchXml refuses them. Throws
    // std::bad_alloc when memory runs out.
    Result parse(const QByteArray& bytes);

private:
    bool readPatchFile();
    bool readFile();
    bool readPatch();
    bool readDate();

    PatchRecord record_;
    Callback callback_;
    PatchGen_ReaderXML* owner_;
};
