#include "driver/DiffCommand.h"

#include <QProcess>

namespace {

QChar foldAscii(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'A' && u <= 'Z') ? QChar(u - 'A' + 'a') : c;
}

const QLatin1Char kSeparator('/');

// Sections first to last (negative counting from the end) of path split at
// "/", as QString::section gives them.
QString sections(const QString& path, int first, int last)
{
    return path.section(kSeparator, first, last);
}

struct Placeholder {
    const char* name;
    QString DiffPlaceholderValues::*value;
};

// Longer names are not needed: every placeholder is "%B" and one letter.
const Placeholder kPlaceholders[] = {
    {"%BF", &DiffPlaceholderValues::fullName},
    {"%Bf", &DiffPlaceholderValues::fileName},
    {"%BD", &DiffPlaceholderValues::directory},
    {"%BR", &DiffPlaceholderValues::rootedName},
    {"%Br", &DiffPlaceholderValues::rootedDirectory},
    {"%BB", &DiffPlaceholderValues::relativeName},
    {"%Bb", &DiffPlaceholderValues::relativeDirectory},
    {"%BT", &DiffPlaceholderValues::ident},
};

const QString* placeholderAt(const QString& text, int pos, const DiffPlaceholderValues& values)
{
    if (pos + 3 > text.size() || text[pos] != QLatin1Char('%') || text[pos + 1] != QLatin1Char('B'))
        return nullptr;
    for (const Placeholder& p : kPlaceholders) {
        if (text[pos + 2] == QLatin1Char(p.name[2]))
            return &(values.*p.value);
    }
    return nullptr;
}

} // namespace

bool DiffCommand::startsWithNoCase(const QString& text, const QString& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (int i = 0; i < prefix.size(); ++i) {
        if (foldAscii(text[i]) != foldAscii(prefix[i]))
            return false;
    }
    return true;
}

QString DiffCommand::replaceRoot(const QString& name, const QString& rootPath, const QString& replacement)
{
    if (rootPath.isEmpty() || !startsWithNoCase(name, rootPath))
        return name;
    return replacement + name.mid(rootPath.size());
}

QString DiffCommand::lookupKey(const QString& fullName, const QString& rootPath)
{
    QString key = fullName;
    key.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return replaceRoot(key, rootPath, QStringLiteral("$ROOTPATH"));
}

DiffPlaceholderValues DiffCommand::values(const QString& fullName, const QString& rootPath, const QString& ident)
{
    DiffPlaceholderValues v;
    v.fullName = fullName;
    v.fileName = sections(fullName, -1, -1);
    v.directory = sections(fullName, 0, -2);
    v.rootedName = fullName;
    v.rootedDirectory = v.directory;
    v.relativeName = fullName;
    v.relativeDirectory = v.directory;
    if (!rootPath.isEmpty() && startsWithNoCase(fullName, rootPath)) {
        v.rootedName = replaceRoot(fullName, rootPath, QStringLiteral("%ROOTPATH%"));
        v.rootedDirectory = sections(v.rootedName, 0, -2);
        v.relativeName = sections(v.rootedName, 1, -1);
        v.relativeDirectory = sections(v.rootedName, 1, -2);
    }
    v.ident = ident;
    return v;
}

QString DiffCommand::substitute(const QString& text, const DiffPlaceholderValues& values, bool quoted)
{
    QString out;
    out.reserve(text.size());
    int pos = 0;
    while (pos < text.size()) {
        if (const QString* value = placeholderAt(text, pos, values)) {
            if (quoted)
                out += QLatin1Char('"') + *value + QLatin1Char('"');
            else
                out += *value;
            pos += 3;
        } else {
            out += text[pos++];
        }
    }
    return out;
}

QStringList DiffCommand::arguments(const QString& commandTemplate, const DiffPlaceholderValues& values)
{
    QStringList words = QProcess::splitCommand(commandTemplate);
    for (QString& word : words)
        word = substitute(word, values, false);
    return words;
}
