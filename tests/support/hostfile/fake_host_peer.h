#pragma once
// The host's side of the host file link, for tests: it answers the server's nine file
// requests from a small virtual file system, over a real TCP connection on loopback, and keeps
// a transcript of every request it got. A script makes it misbehave: wait before answering,
// split answers, send stray bytes or a packet with the wrong id first, answer with more data
// than the request expects, never answer one command, close the connection part-way through a
// file, or tell the server to stop an upload. It runs on its own thread; every wait of it ends
// at stop() or the server's close.

#include "platform/net/socket.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace valdor {

struct HostFile
{
    std::vector<uint8_t> bytes;
    uint32_t date = 1700000000; // seconds since 1970
    uint8_t type = 16;          // 16: sequential
};

struct PeerScript
{
    int answerDelayMs = 0;             // before each answer
    std::vector<size_t> answerPieces;  // each answer in writes of these sizes (the rest last)
    int pieceDelayMs = 20;             // between those writes
    std::vector<uint8_t> garbage;      // stray bytes before each answer
    bool decoy = false;                // a packet of the same command with the wrong id first
    size_t extraAnswerBytes = 0;       // answers declare and carry this many more data bytes
    std::optional<uint16_t> silentOn;  // requests of this command get no answer
    std::optional<size_t> closeAfter;  // a read: close the connection after this many file bytes
    std::optional<size_t> stallAfter;  // a read: send this many file bytes, then fall silent
    std::optional<size_t> notifyAfter; // an upload: send a notice after this many bytes (0: with
                                       // the write request's answer, in the same write)
    uint16_t notifyCode = 0;           // ... with this code, and take no more bytes
    std::optional<uint8_t> openType;   // the file type an open reports (else the file's)
};

struct TranscriptEntry
{
    uint16_t command = 0;
    uint16_t id = 0;
    std::vector<uint8_t> data;
    // The file name of a request that carries one.
    std::string name() const;
};

class FakeHostPeer
{
public:
    // The peer on its own loopback connection; serverSide() is the end the server code uses.
    FakeHostPeer();
    // The peer on a connection made elsewhere (the host simulator's data connection).
    explicit FakeHostPeer(platform::net::Socket peerSide);
    ~FakeHostPeer();
    FakeHostPeer(const FakeHostPeer&) = delete;
    FakeHostPeer& operator=(const FakeHostPeer&) = delete;

    bool ok() const { return m_peer.isValid(); }
    const platform::net::Socket& serverSide() const { return m_server; }

    void addFile(const std::string& name, HostFile file);
    std::optional<HostFile> file(const std::string& name) const;
    void setScript(const PeerScript& script);

    void start();
    // Closes the peer's end and waits for the thread.
    void stop();

    std::vector<TranscriptEntry> transcript() const;
    size_t count(uint16_t command) const;
    // Raw bytes the peer sends on the connection now (a test's own stray bytes).
    bool sendRaw(const std::vector<uint8_t>& bytes);

private:
    void run();
    bool readExact(void* buffer, size_t size);
    bool answer(uint16_t command, std::vector<uint8_t> data);
    bool sendBytes(const std::vector<uint8_t>& bytes);
    bool handle(const TranscriptEntry& request);
    bool receiveUpload(uint32_t count);

    platform::net::Socket m_server;
    platform::net::Socket m_peer;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::map<std::string, HostFile> m_files;
    PeerScript m_script;
    std::vector<TranscriptEntry> m_transcript;
    std::string m_current; // the file an upload writes
};

} // namespace valdor
