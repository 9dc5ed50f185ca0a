#include "patch/PatchGen_ReaderXML.h"

#include "patch/PatchHandler.h"
#include "patch/PatchRecordStreamReader.h"

#include <QFile>
#include <QString>

bool PatchGen_ReaderXML::open(const char* path)
{
    if (path)
        fileName_ = path;
    return true;
}

bool PatchGen_ReaderXML::close()
{
    return true;
}

bool PatchGen_ReaderXML::read(PatchHandler* handler)
{
    target_ = handler;
    if (fileName_.empty() || !handler)
        return true;
    QFile file(QString::fromLocal8Bit(fileName_.c_str()));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text) && file.handle() != -1) {
        PatchRecordStreamReader reader(this, &PatchGen_ReaderXML::onRecord);
        reader.parse(&file);
        file.close();
    }
    return true;
}

void PatchGen_ReaderXML::onRecord(PatchGen_ReaderXML* owner, const PatchRecord& record)
{
    PatchHandler* target = owner->target_;
    if (!record.name.empty())
        target->addFile(record.name, record.date, record.patches);
    target->setSName(record.sname);
    target->setSDate(record.sdate);
}
