#pragma once

#include <QXmlStreamReader>

#include <string>
#include <vector>

class PatchGen_ReaderXML;

/// One FILE element of "patch.xml" as it is read, with the stamp of the
/// PATCHFILE element around it.
struct PatchRecord {
    std::vector<std::string> patches;  // in document order
    std::string name;
    std::string date;
    std::string sname;
    std::string sdate;
};

/// Reads "patch.xml" and hands every complete record to a callback: first
/// the stamp alone (a record with an empty name), then each FILE element once
/// its end tag has been read. An element cut off by an XML error or by the
/// end of the input is never handed over, so a damaged file yields exactly
/// the entries that were written whole before the damage.
class PatchRecordStreamReader : public QXmlStreamReader {
public:
    using Callback = void (*)(PatchGen_ReaderXML* owner, const PatchRecord& record);

    PatchRecordStreamReader(PatchGen_ReaderXML* owner, Callback callback);
    virtual ~PatchRecordStreamReader();

    // Reads device to its end or its first error. Returns false when the
    // input was not read to a clean end.
    bool parse(QIODevice* device);
    // The same over the data given with addData.
    bool parse();

private:
    bool readPatchFile();
    bool readFile();
    bool readPatch();
    bool readDate();

    PatchRecord record_;
    Callback callback_;
    PatchGen_ReaderXML* owner_;
};
