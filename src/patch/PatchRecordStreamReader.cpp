#include "patch/PatchRecordStreamReader.h"

#include "patch/PatchXmlText.h"

#include <QIODevice>

PatchRecordStreamReader::PatchRecordStreamReader(PatchGen_ReaderXML* owner, Callback callback)
    : callback_(callback), owner_(owner)
{
    // The layout uses no namespaces. Resolving them would search every
    // declaration in scope for each element and attribute, so a file of
    // nested declarations would cost time in the square of its size; read
    // plainly, an "xmlns" attribute is one more attribute and a prefix is
    // never looked up.
    setNamespaceProcessing(false);
}

PatchRecordStreamReader::~PatchRecordStreamReader() = default;

PatchRecordStreamReader::Result PatchRecordStreamReader::parse(QIODevice* device)
{
    return parse(device->readAll());
}

PatchRecordStreamReader::Result PatchRecordStreamReader::parse(const QByteArray& bytes)
{
    {
        const QString text = patchXmlDocument(bytes);
        if (!isUsablePatchXml(text))
            return Result::Refused;
        // Text given as a QString is read as it is: a declaration naming
        // another encoding cannot make the reader see other characters than
        // those just checked.
        addData(text);
    }
    bool ok = true;
    while (!atEnd()) {
        if (readNext() == StartElement && name() == QLatin1String("PATCHFILE"))
            ok &= readPatchFile();
    }
    return ok && !hasError() ? Result::Clean : Result::Damaged;
}

bool PatchRecordStreamReader::readPatchFile()
{
    const QXmlStreamAttributes attrs = attributes();
    record_.sname = patchXmlValueToLocal(attrs.value(QLatin1String("sname")));
    record_.sdate = patchXmlValueToLocal(attrs.value(QLatin1String("sdate")));
    callback_(owner_, record_);

    bool ok = true;
    while (!atEnd()) {
        const TokenType token = readNext();
        if (token == EndElement)
            return ok;
        if (token == StartElement) {
            if (name() == QLatin1String("FILE"))
                ok &= readFile();
            else
                skipCurrentElement();
        }
    }
    return false;
}

bool PatchRecordStreamReader::readFile()
{
    record_.name = patchXmlValueToLocal(attributes().value(QLatin1String("name")));

    bool ok = true;
    bool complete = false;
    while (!atEnd()) {
        const TokenType token = readNext();
        if (token == EndElement) {
            complete = true;
            break;
        }
        if (token == StartElement) {
            if (name() == QLatin1String("DATE"))
                ok &= readDate();
            else if (name() == QLatin1String("PATCH"))
                ok &= readPatch();
            else
                skipCurrentElement();
        }
    }
    // Only an element whose end tag was read is handed over: a record cut
    // short would replay a partial list of change commands on every run.
    if (complete && ok && !hasError())
        callback_(owner_, record_);
    record_.patches.clear();
    record_.name.clear();
    record_.date.clear();
    return complete && ok;
}

bool PatchRecordStreamReader::readPatch()
{
    const QString text = readElementText();
    if (hasError())
        return false;
    record_.patches.push_back(patchXmlValueToLocal(text));
    return true;
}

bool PatchRecordStreamReader::readDate()
{
    const QString text = readElementText();
    if (hasError())
        return false;
    record_.date = patchXmlValueToLocal(text);
    return true;
}
