#include "Workload.h"

#include "encoding/U_Encoding.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_Output.h"
#include "platform/LexicalPath.h"
#include "util/U_Filename.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

class Rng {
public:
    explicit Rng(std::uint32_t seed) : engine_(seed) {}
    // A number in [low, high].
    int between(int low, int high) { return low + static_cast<int>(engine_() % static_cast<std::uint32_t>(high - low + 1)); }
    bool chance(int percent) { return between(1, 100) <= percent; }

private:
    std::mt19937 engine_;
};

void makeDirectories(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0777);
    ::mkdir(path.c_str(), 0777);
}

void writeLines(const std::string& path, const Lines& lines)
{
    makeDirectories(platform::directoryPart(path));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines)
        out << line << '\n';
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

// One line of C-like text; unique enough that diff pairs lines as a reader
// would, with the braces and blank lines that repeat in real code.
std::string codeLine(Rng& rng, int file, int& serial)
{
    const int n = ++serial;
    switch (rng.between(0, 9)) {
    case 0:
        return "}";
    case 1:
        return "";
    case 2:
        return "static int f" + std::to_string(file) + "_" + std::to_string(n) + "(int a, int b)";
    case 3:
        return "    if (v" + std::to_string(n % 17) + " > " + std::to_string(rng.between(0, 999)) + ") {";
    case 4:
        return "    /* step " + std::to_string(n) + " of the computation in file " + std::to_string(file) + " */";
    default:
        return "    int v" + std::to_string(n) + " = a * " + std::to_string(rng.between(1, 99)) + " + f" +
               std::to_string(file) + "_" + std::to_string(rng.between(1, 500)) + "(b, " +
               std::to_string(rng.between(0, 9999)) + ");";
    }
}

Lines makeSource(Rng& rng, int file, int& serial, int count)
{
    Lines lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(codeLine(rng, file, serial));
    return lines;
}

// The current version: a few insertions, deletions, changes and moved blocks.
Lines edit(Rng& rng, const Lines& base, int file, int& serial)
{
    Lines lines = base;
    const int hunks = rng.between(1, 6);
    for (int h = 0; h < hunks && lines.size() > 20; ++h) {
        const int size = static_cast<int>(lines.size());
        const int at = rng.between(0, size - 12);
        switch (rng.between(0, 3)) {
        case 0: {
            const int n = rng.between(1, 8);
            for (int i = 0; i < n; ++i)
                lines.insert(lines.begin() + at, codeLine(rng, file, serial));
            break;
        }
        case 1:
            lines.erase(lines.begin() + at, lines.begin() + at + rng.between(1, 6));
            break;
        case 2: {
            const int removed = rng.between(1, 5);
            lines.erase(lines.begin() + at, lines.begin() + at + removed);
            const int added = rng.between(1, 5);
            for (int i = 0; i < added; ++i)
                lines.insert(lines.begin() + at, codeLine(rng, file, serial));
            break;
        }
        default: {
            const int n = rng.between(3, 10);
            const Lines block(lines.begin() + at, lines.begin() + at + std::min(n, size - at));
            lines.erase(lines.begin() + at, lines.begin() + at + static_cast<int>(block.size()));
            const int to = rng.between(0, static_cast<int>(lines.size()));
            lines.insert(lines.begin() + to, block.begin(), block.end());
            break;
        }
        }
    }
    return lines;
}

std::string sqlText(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted + "'";
}

struct NamedFile {
    std::string relative;  // under base/ and cur/
    int currentLines = 0;
};

} // namespace

void writeWorkload(const std::string& dir, const WorkloadSpec& spec)
{
    if (spec.sources < 1 || spec.named < spec.sources)
        throw std::runtime_error("need 1 <= sources <= named files");
    Rng rng(spec.seed);
    const int headers = spec.named - spec.sources;
    const int modules = std::max(1, spec.sources / 25);

    std::ofstream sql(dir + "/baseline.sql", std::ios::trunc);
    sql << "CREATE TABLE RF_FileReg (FR_Primary INTEGER, FR_Ident TEXT, FR_Name TEXT);\n"
           "CREATE TABLE DT_Suppression (SP_FileReg INTEGER, SP_State INTEGER, SP_Line INTEGER, "
           "SP_Column INTEGER, SP_Message INTEGER);\nBEGIN;\n";
    std::ofstream filesList(dir + "/files.txt", std::ios::trunc);

    // Headers first, then sources: index i < headers is header i.
    std::vector<NamedFile> files;
    int serial = 0;
    for (int i = 0; i < spec.named; ++i) {
        const bool header = i < headers;
        const int number = header ? i : i - headers;
        NamedFile file;
        file.relative = (header ? "include/mod" : "src/mod") + std::to_string(number % modules) +
                        (header ? "/h" : "/c") + std::to_string(number) + (header ? ".h" : ".c");
        const Lines base = makeSource(rng, i, serial, header ? rng.between(40, 300) : rng.between(150, 900));
        const int kind = rng.between(1, 100);
        const bool big = header && i == 0 && spec.bigHeader > 0;
        const bool baselined = kind > 5 || big;
        const Lines current = kind <= 20 ? base : edit(rng, base, i, serial);
        if (baselined) {
            writeLines(dir + "/base/" + file.relative, base);
            const int primary = i + 1;
            sql << "INSERT INTO RF_FileReg VALUES (" << primary << ", " << sqlText("REL_" + std::to_string(i % 7))
                << ", " << sqlText("$ROOTPATH/" + file.relative) << ");\n";
            const int suppressions = rng.between(3, 8);
            for (int s = 0; s < suppressions; ++s) {
                sql << "INSERT INTO DT_Suppression VALUES (" << primary << ", " << (rng.chance(90) ? 0 : 1) << ", "
                    << rng.between(1, static_cast<int>(base.size())) << ", " << rng.between(1, 40) << ", "
                    << rng.between(100, 3999) << ");\n";
            }
            for (int s = 0; big && s < spec.bigHeader; ++s) {
                sql << "INSERT INTO DT_Suppression VALUES (" << primary << ", 0, " << 1 + s % static_cast<int>(base.size())
                    << ", " << 1 + s % 40 << ", " << 100 + s % 3900 << ");\n";
            }
        }
        writeLines(dir + "/cur/" + file.relative, current);
        file.currentLines = static_cast<int>(current.size());
        filesList << file.relative << '\n';
        files.push_back(file);
    }
    sql << "COMMIT;\n";
    if (!sql.flush() || !filesList.flush())
        throw std::runtime_error("cannot write the lists in " + dir);

    std::ofstream sourcesList(dir + "/sources.txt", std::ios::trunc);
    makeDirectories(dir + "/out");
    for (int s = 0; s < spec.sources; ++s) {
        const NamedFile& source = files[static_cast<std::size_t>(headers + s)];
        const std::string path = dir + "/cur/" + source.relative;
        sourcesList << path << '\n';
        // Each source names itself and a few headers; header s % headers is
        // among them, so every header is named by at least one source.
        std::vector<int> named{headers + s};
        if (headers > 0) {
            named.push_back(s % headers);
            if (spec.bigHeader > 0)
                named.push_back(0);
            const int more = rng.between(1, 5);
            for (int k = 0; k < more; ++k)
                named.push_back(rng.between(0, headers - 1));
        }
        const std::string errName = path.substr(path.rfind('/') + 1) + ".err";
        M_Output::openNew(dir + "/out/" + errName);
        for (int index : named) {
            const NamedFile& file = files[static_cast<std::size_t>(index)];
            const U_Filename name = U_Filename::fromPath(U_Encoding::fromNative(dir + "/cur/" + file.relative));
            const int diagnostics = rng.between(1, index == headers + s ? 12 : 4);
            for (int d = 0; d < diagnostics; ++d) {
                const U_Location location =
                    U_Location::create(name, rng.between(1, file.currentLines), rng.between(1, 60));
                M_Output::sendUnfiltered(U_RefPtr<M_Diagnostic>(new M_Diagnostic(rng.between(100, 3999), location)));
            }
        }
        M_Output::close();
    }
    if (!sourcesList.flush())
        throw std::runtime_error("cannot write " + dir + "/sources.txt");
}
