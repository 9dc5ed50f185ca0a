#pragma once

// One file of each kind a path can name (regular file, directory, socket,
// FIFO, devices, a symbolic link to each), for the tests of what a path is.
// On Linux the file type is a field of the mode, not a set of bits: a
// socket's type holds both the regular file's and the directory's bit, a
// block device's the directory's.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

struct FileKind {
    std::string what;
    bool regular;    // what the path leads to is a regular file
    bool directory;  // ... a directory
    // Makes the file in dir and sets path to it; "" when made, else why it
    // cannot be made here (the row is then skipped).
    std::function<std::string(const std::string& dir, std::string& path)> make;
};

inline void PrintTo(const FileKind& kind, std::ostream* out)
{
    *out << kind.what;
}

namespace fileKinds {

inline std::string failure(const char* call)
{
    return std::string(call) + ": " + std::strerror(errno);
}

inline std::string makeRegular(const std::string& path)
{
    std::ofstream(path) << "x\n";
    return ::access(path.c_str(), F_OK) == 0 ? std::string() : failure("write");
}

inline std::string makeDirectory(const std::string& path)
{
    return ::mkdir(path.c_str(), 0700) == 0 ? std::string() : failure("mkdir");
}

inline std::string makeSocket(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return "the socket's path is too long: " + path;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return failure("socket");
    // The socket's file stays when its descriptor is closed.
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const std::string why = bound ? std::string() : failure("bind");
    ::close(fd);
    return why;
}

inline std::string makeFifo(const std::string& path)
{
    return ::mkfifo(path.c_str(), 0600) == 0 ? std::string() : failure("mkfifo");
}

inline std::string makeBlockDevice(const std::string& path)
{
    if (::geteuid() != 0)
        return "making a block device needs root";
    // A loop device's number; the node need not lead to a device that exists.
    return ::mknod(path.c_str(), S_IFBLK | 0600, makedev(7, 250)) == 0 ? std::string() : failure("mknod");
}

// A kind made at dir + "/" + name by make.
inline FileKind made(std::string what, bool regular, bool directory, std::string (*make)(const std::string&))
{
    return {std::move(what), regular, directory, [make](const std::string& dir, std::string& path) {
                path = dir + "/kind";
                return make(path);
            }};
}

// A symbolic link to a file of kind target.
inline FileKind linkTo(const FileKind& target)
{
    return {"link to " + target.what, target.regular, target.directory,
            [target](const std::string& dir, std::string& path) {
                std::string to;
                const std::string why = target.make(dir, to);
                if (!why.empty())
                    return why;
                path = dir + "/link";
                return ::symlink(to.c_str(), path.c_str()) == 0 ? std::string() : failure("symlink");
            }};
}

} // namespace fileKinds

// Every kind, and a link to each; the character device is /dev/null.
inline std::vector<FileKind> allFileKinds()
{
    using namespace fileKinds;
    const std::vector<FileKind> kinds = {
        made("regular file", true, false, makeRegular),
        made("directory", false, true, makeDirectory),
        made("socket", false, false, makeSocket),
        made("FIFO", false, false, makeFifo),
        {"character device", false, false,
         [](const std::string&, std::string& path) {
             path = "/dev/null";
             return std::string();
         }},
        made("block device", false, false, makeBlockDevice),
    };
    std::vector<FileKind> all = kinds;
    for (const FileKind& kind : kinds)
        all.push_back(linkTo(kind));
    all.push_back({"missing", false, false, [](const std::string& dir, std::string& path) {
                       path = dir + "/missing";
                       return std::string();
                   }});
    return all;
}

// A test name of letters and digits for a row.
inline std::string fileKindName(const testing::TestParamInfo<FileKind>& info)
{
    std::string name;
    for (char c : info.param.what)
        name += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : '_';
    return name;
}

// A test of one row of allFileKinds(): the file is made at path in SetUp,
// and the row skipped, saying why, where it cannot be made here.
class FileKindTest : public testing::TestWithParam<FileKind> {
protected:
    void SetUp() override
    {
        const std::string why = GetParam().make(dir.path(), path);
        if (!why.empty())
            GTEST_SKIP() << GetParam().what << ": " << why;
    }

    TempDir dir;
    std::string path;
};
