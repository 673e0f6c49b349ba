// A stand-in for the agent, started by wystrand-notify-ctl through --agent: it connects to the
// --pipe socket, says "hello", echoes every line it is sent and exits with status 3 on the line
// "exit". With FAKE_AGENT_GATE naming a FIFO, it waits for a writer to open that FIFO before
// it connects, so a test decides when the agent is there.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::string_view(argv[1]) != "--pipe") {
        return 1;
    }
    if (const char* gate = std::getenv("FAKE_AGENT_GATE")) {
        const int fd = ::open(gate, O_RDONLY);
        if (fd < 0) {
            return 1;
        }
        ::close(fd);
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, argv[2], sizeof(addr.sun_path) - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        !writeAll(fd, "hello\n")) {
        return 1;
    }
    std::string buffer;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof(chunk))) > 0;) {
        buffer.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t end; (end = buffer.find('\n')) != std::string::npos;
             buffer.erase(0, end + 1)) {
            const std::string line = buffer.substr(0, end + 1);
            if (line == "exit\n") {
                return 3;
            }
            if (!writeAll(fd, line)) {
                return 1;
            }
        }
    }
    return 0;
}
