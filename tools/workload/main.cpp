// vantrel_workload: a generated project for the whole-run benchmark and the
// crash-safety test, and the checks run on what vantrel left.
//
//   vantrel_workload make <dir> <sources> <named files> [seed [big]]
//       writes the workload (see Workload.h); with big, one header named by
//       every source carries big suppressions more, for sections of MB;
//   vantrel_workload check-err <original dir> <current dir> [<reference dir>]
//       for every "*.err" of the original dir: the current file reads
//       completely and is the original followed by whole sections; with a
//       reference dir (the files after one clean run) every appended section
//       is the one a clean run appends. Prints the number of files checked
//       and the sections appended in all;
//   vantrel_workload peak-memory <file> <command> [<argument>...]
//       runs the command and writes its peak resident memory in KiB to the
//       file; its exit code is the command's (128 + the signal when a signal
//       ended it);
//   vantrel_workload dump-cache <patch.xml>
//       checks that the file is well-formed XML of the cache's shape and
//       prints one line per entry: name, tab, date, tab, the change commands
//       joined by blanks;
//   vantrel_workload flip-link <name> <target> <other target> <stop file>
//       makes name a symbolic link to each target in turn, as fast as it
//       can, each change one rename (name is always one link or the other),
//       until the stop file exists, for 120 s at the most; at the end name
//       leads to target.
//
// Exit code 0 when every check passed, 1 with a line on standard error when
// one failed, 2 for a wrong command line. The product's environment (ZXCBIN)
// must be set, as for vantrel.

#include "ToolMain.h"
#include "Workload.h"

#include "messages/M_InputVerro.h"

#include <QFile>
#include <QXmlStreamReader>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int usage()
{
    std::cerr << "usage: vantrel_workload make <dir> <sources> <named files> [seed [big]]\n"
                 "       vantrel_workload check-err <original dir> <current dir> [<reference dir>]\n"
                 "       vantrel_workload peak-memory <file> <command> [<argument>...]\n"
                 "       vantrel_workload dump-cache <patch.xml>\n"
                 "       vantrel_workload flip-link <name> <target> <other target> <stop file>\n";
    return 2;
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot open");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> messageFiles(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        throw std::runtime_error(dir + ": cannot open");
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".err") == 0)
            names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// The number of appended sections of current over original, each the section
// of reference when reference is not empty.
int checkMessageFile(const std::string& path, const std::string& original, const std::string& current,
                     const std::string& reference)
{
    U_RefPtr<M_InputVerro> reader(new M_InputVerro());
    reader->setFileName(path);
    reader->open(path);
    if (reader->generation() != 3)
        throw std::runtime_error(path + ": not read as generation 3");
    if (current.compare(0, original.size(), original) != 0 || current.size() < original.size())
        throw std::runtime_error(path + ": the original bytes changed");
    if (reference.empty())
        return -1;
    if (reference.compare(0, original.size(), original) != 0 || reference.size() <= original.size())
        throw std::runtime_error(path + ": the reference is not the original and a section");
    const std::string section = reference.substr(original.size());
    std::size_t at = original.size();
    int sections = 0;
    while (at < current.size()) {
        if (current.compare(at, section.size(), section) != 0)
            throw std::runtime_error(path + ": bytes at offset " + std::to_string(at) +
                                     " are not a whole section of a clean run");
        at += section.size();
        ++sections;
    }
    return sections;
}

int checkErr(const std::string& originalDir, const std::string& currentDir, const std::string& referenceDir)
{
    int files = 0;
    long sections = 0;
    for (const std::string& name : messageFiles(originalDir)) {
        const std::string current = currentDir + "/" + name;
        const int n = checkMessageFile(current, contents(originalDir + "/" + name), contents(current),
                                       referenceDir.empty() ? std::string() : contents(referenceDir + "/" + name));
        ++files;
        sections += std::max(n, 0);
    }
    std::cout << files << " message files, " << sections << " sections\n";
    return 0;
}

int dumpCache(const std::string& path)
{
    QFile file(QString::fromLocal8Bit(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(path + ": cannot open");
    QXmlStreamReader xml(&file);
    std::ostringstream out;
    int depth = 0;
    bool sawRoot = false;
    std::string entry;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringRef name = xml.name();
            ++depth;
            if (depth == 1 && name == QLatin1String("PATCHFILE")) {
                sawRoot = true;
            } else if (depth == 2 && name == QLatin1String("FILE")) {
                entry = xml.attributes().value(QLatin1String("name")).toString().toStdString() + "\t";
            } else if (depth == 3 && name == QLatin1String("DATE")) {
                entry += xml.readElementText().toStdString() + "\t";
                --depth;
            } else if (depth == 3 && name == QLatin1String("PATCH")) {
                if (entry.back() != '\t')
                    entry += ' ';
                entry += xml.readElementText().toStdString();
                --depth;
            } else {
                throw std::runtime_error(path + ": unexpected element " + name.toString().toStdString());
            }
        } else if (xml.isEndElement()) {
            if (depth == 2)
                out << entry << '\n';
            --depth;
        }
    }
    if (xml.hasError())
        throw std::runtime_error(path + ": not well-formed: " + xml.errorString().toStdString());
    if (!sawRoot)
        throw std::runtime_error(path + ": no PATCHFILE element");
    std::cout << out.str();
    return 0;
}

int peakMemory(const std::string& file, char** command)
{
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("cannot start a process");
    if (child == 0) {
        ::execvp(command[0], command);
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage;
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("cannot wait for the command");
    }
    std::ofstream out(file, std::ios::trunc);
    out << usage.ru_maxrss << '\n';
    if (!out.flush())
        throw std::runtime_error(file + ": cannot write");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int flipLink(const std::string& name, const std::string& target, const std::string& other, const std::string& stop)
{
    const std::string next = name + ".flip";
    const auto pointTo = [&](const std::string& to) {
        ::unlink(next.c_str());
        if (::symlink(to.c_str(), next.c_str()) != 0 || ::rename(next.c_str(), name.c_str()) != 0)
            throw std::runtime_error(name + ": cannot flip the link");
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    for (long flips = 0;; ++flips) {
        pointTo(flips % 2 == 0 ? other : target);
        if (flips % 64 == 1 && (::access(stop.c_str(), F_OK) == 0 || std::chrono::steady_clock::now() > until))
            return 0;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    return runForProduct("vantrel_workload", [&] {
        const std::string command = argv[1];
        if (command == "make" && argc >= 5 && argc <= 7) {
            WorkloadSpec spec;
            spec.sources = std::atoi(argv[3]);
            spec.named = std::atoi(argv[4]);
            if (argc >= 6)
                spec.seed = static_cast<std::uint32_t>(std::strtoul(argv[5], nullptr, 10));
            if (argc == 7)
                spec.bigHeader = std::atoi(argv[6]);
            writeWorkload(argv[2], spec);
            return 0;
        }
        if (command == "check-err" && (argc == 4 || argc == 5))
            return checkErr(argv[2], argv[3], argc == 5 ? argv[4] : "");
        if (command == "peak-memory" && argc >= 4)
            return peakMemory(argv[2], argv + 3);
        if (command == "dump-cache" && argc == 3)
            return dumpCache(argv[2]);
        if (command == "flip-link" && argc == 6)
            return flipLink(argv[2], argv[3], argv[4], argv[5]);
        return usage();
    });
}
