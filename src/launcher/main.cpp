// The `ovisto` command. The viewer (ovisto-viewer) links some ninety shared libraries, and the
// dynamic loader alone spends about 45 ms on them before the viewer's main() runs. A second
// launch, while an instance runs, only has to pass its arguments over that instance's socket,
// so this program, with nothing but the C and C++ runtimes, tries that first. It sends the raw
// arguments and its working folder; the instance picks the documents out of them by the same
// rules the viewer applies to its own command line (SingleInstance). When no instance takes
// them, for whatever reason, it becomes the viewer by exec: same process, same arguments, and
// the viewer makes its own instance check. A wrong guess here thus costs time, never a file.

#include "platform/CommandLine.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pwd.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// As SingleInstance has them: the message kind, its limits and the acknowledgement.
constexpr char argumentsMagic[4] = {'O', 'V', 'S', 'A'};
constexpr size_t maxMessageBytes = 16 * 1024 * 1024;
constexpr size_t maxEntries = 256 * 1024;
constexpr char ack = 'K';
constexpr long handOverTimeoutMs = 2000;

// Lexical, like QDir::cleanPath: folds "." and "..", repeated and trailing slashes.
std::string cleanPath(const std::string& path) {
    const bool absolute = path.starts_with('/');
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == ".." && !parts.empty() && parts.back() != "..")
            parts.pop_back();
        else if (part == ".." && !absolute)
            parts.push_back(part);
        else if (!part.empty() && part != "." && part != "..")
            parts.push_back(part);
        start = end + 1;
    }
    std::string result = absolute ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i)
        result += (i ? "/" : "") + parts[i];
    return result.empty() ? "." : result;
}

// QDir::tempPath(): $TMPDIR or /tmp, cleaned and with links resolved; empty when it is missing.
std::string tempPath() {
    const char* env = std::getenv("TMPDIR");
    const std::string folder = cleanPath(env && *env ? env : "/tmp");
    char* real = ::realpath(folder.c_str(), nullptr);
    const std::string result = real ? real : "";
    std::free(real);
    return result;
}

// The checks Qt makes of a runtime folder before it uses it: made if missing, else a real
// folder (not a link) of this user with mode 0700.
bool usableRuntimeFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700;
}

// QStandardPaths' runtime location: $XDG_RUNTIME_DIR when usable, else runtime-USER in the
// temporary folder when usable, else none.
std::string runtimeFolder() {
    const char* env = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = env ? env : "";
    if (folder.empty() || !usableRuntimeFolder(folder)) {
        const passwd* user = ::getpwuid(::geteuid());
        folder = tempPath() + "/runtime-" + (user && user->pw_name ? user->pw_name : "");
        if (!usableRuntimeFolder(folder))
            folder.clear();
    }
    return folder;
}

// SingleInstance::defaultSocketPath(), and where Qt's local socket looks for a relative name.
std::string socketPath() {
    const std::string folder = runtimeFolder();
    std::string path = folder.empty()
                           ? tempPath() + "/ovisto-" + std::to_string(::getuid()) + ".socket"
                           : folder + "/ovisto.socket";
    if (!path.starts_with('/'))
        path = tempPath() + "/" + path;
    return path;
}

void appendLength(std::string& out, size_t size) {
    const uint32_t length = uint32_t(size); // sizes are checked against the limits first
    const char bigEndian[4] = {char(length >> 24), char(length >> 16), char(length >> 8),
                               char(length)};
    out.append(bigEndian, 4);
}

// The working folder, then every argument after the program name. False when the folder is
// unknown or the message would exceed what the instance accepts.
bool buildMessage(int argc, char** argv, std::string& message) {
    char* folder = ::getcwd(nullptr, 0);
    if (!folder)
        return false;
    std::vector<const char*> entries{folder};
    entries.insert(entries.end(), argv + 1, argv + argc);
    size_t payloadBytes = 0;
    for (const char* entry : entries)
        payloadBytes += 4 + std::strlen(entry);
    const bool fits = entries.size() <= maxEntries && payloadBytes <= maxMessageBytes;
    if (fits) {
        message.assign(argumentsMagic, sizeof argumentsMagic);
        appendLength(message, payloadBytes);
        for (const char* entry : entries) {
            appendLength(message, std::strlen(entry));
            message += entry;
        }
    }
    std::free(folder);
    return fits;
}

struct Deadline {
    timespec end{};
    explicit Deadline(long ms) {
        ::clock_gettime(CLOCK_MONOTONIC, &end);
        end.tv_sec += ms / 1000;
        end.tv_nsec += (ms % 1000) * 1000000;
        if (end.tv_nsec >= 1000000000) {
            end.tv_sec += 1;
            end.tv_nsec -= 1000000000;
        }
    }
    // Sets the socket's send or receive timeout to what is left; false once nothing is.
    bool limit(int socket, int option) const {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long long leftUs =
            (end.tv_sec - now.tv_sec) * 1000000LL + (end.tv_nsec - now.tv_nsec) / 1000;
        if (leftUs <= 0)
            return false; // a zero timeout would mean none at all
        const timeval left{time_t(leftUs / 1000000), suseconds_t(leftUs % 1000000)};
        return ::setsockopt(socket, SOL_SOCKET, option, &left, sizeof left) == 0;
    }
};

// Connects, sends the message and waits for the acknowledgement, all within one deadline.
bool exchange(int socket, const sockaddr_un& address, const std::string& message) {
    const Deadline deadline(handOverTimeoutMs);
    int connected = -1;
    do {
        if (!deadline.limit(socket, SO_SNDTIMEO))
            return false;
        connected = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (connected != 0 && errno == EINTR);
    if (connected != 0)
        return false;
    for (size_t sent = 0; sent < message.size();) {
        if (!deadline.limit(socket, SO_SNDTIMEO))
            return false;
        const ssize_t n =
            ::send(socket, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR)
            return false;
        sent += n > 0 ? size_t(n) : 0;
    }
    char reply = 0;
    ssize_t n = -1;
    do {
        if (!deadline.limit(socket, SO_RCVTIMEO))
            return false;
        n = ::recv(socket, &reply, 1, 0);
    } while (n < 0 && errno == EINTR);
    return n == 1 && reply == ack;
}

bool handOver(const std::string& path, const std::string& message) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const bool taken = exchange(socket, address, message);
    ::close(socket);
    return taken;
}

// Next to this program in a build tree, else where the install puts it: relative to this
// program (an install under another prefix), then at the configured path.
[[noreturn]] void becomeViewer(char** argv) {
    std::vector<std::string> candidates;
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        const std::string path(self, size_t(length));
        const std::string folder = path.substr(0, path.rfind('/') + 1);
        candidates.push_back(folder + "ovisto-viewer");
        candidates.push_back(folder + OVISTO_VIEWER_FROM_BIN);
    }
    candidates.push_back(OVISTO_VIEWER_INSTALLED);
    std::vector<int> errors;
    for (const std::string& viewer : candidates) {
        ::execv(viewer.c_str(), argv); // returns only when it failed
        errors.push_back(errno);
    }
    for (size_t i = 0; i < candidates.size(); ++i)
        std::fprintf(stderr, "ovisto: cannot start %s: %s\n", candidates[i].c_str(),
                     std::strerror(errors[i]));
    std::exit(127);
}

} // namespace

int main(int argc, char** argv) {
    // Options first, before any hand-over: --help must not open a window.
    std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CommandLine line = CommandLine::parse(arguments);
    if (const int status = line.answer(OVISTO_VERSION); status >= 0)
        return status;
    std::string message;
    if (argc >= 1 && buildMessage(argc, argv, message) && handOver(socketPath(), message))
        return 0;
    becomeViewer(argv);
}
