/* The floor for the ping round trip: a plain C client on the same kind of socket as the agent,
 * which answers every line it reads with a pong record and does nothing else.
 * Usage: echo_peer SOCKET-PATH */
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 64;
    }
    struct sockaddr_un address;
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    strncpy(address.sun_path, argv[1], sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || connect(fd, (const struct sockaddr*)&address, sizeof address) != 0) {
        return 1;
    }
    static const char pong[] = "{\"ev\":\"pong\"}\n";
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return 0;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n' && send(fd, pong, sizeof pong - 1, MSG_NOSIGNAL) < 0) {
                return 0;
            }
        }
    }
}
