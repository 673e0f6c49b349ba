#pragma once

#include <QString>
#include <cstddef>
#include <string>

// The two socket chores of the link that need no thread, timer or notifier: opening the stream
// and writing queued bytes to it without ever waiting.
namespace wystrand {

// A non-blocking client descriptor connected to the Unix-domain stream socket at `path`, or -1.
// Linux's address has a 108-byte path field: the path is cut to 107 bytes without error.
int connectUnixStream(const QString& path);

// Empties a buffer, and hands its memory back once a backlog has made it large.
void releaseBuffer(std::string& buffer);

// Bytes bound for a non-blocking stream, written in order. A partial write keeps the rest at the
// head, to go first when the socket takes more, so a record is never split on the wire.
class PendingWrites {
public:
    bool empty() const { return bytes_.empty(); }
    // Takes the content of `bytes`, leaving it empty.
    void append(std::string& bytes);
    // Writes what the socket takes now. Returns how many bytes left the queue: those written,
    // and, when the stream is broken for writing, everything that waited (it is lost).
    std::size_t writeTo(int fd);
    void clear();

private:
    std::string bytes_;
    std::size_t head_ = 0;
};

}  // namespace wystrand
