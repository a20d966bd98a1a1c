#include "tests/support/hostfile/fake_host_peer.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"

#include <algorithm>
#include <chrono>

namespace valdor {
namespace {

using platform::net::IoStatus;

constexpr int kSliceMs = 100;
constexpr int kSendWaitMs = 5000;

void put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    if (b.size() < at + 2)
        b.resize(at + 2, 0);
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    if (b.size() < at + 4)
        b.resize(at + 4, 0);
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

uint32_t get32(const std::vector<uint8_t>& b, size_t at)
{
    if (b.size() < at + 4)
        return 0;
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

std::vector<uint8_t> packet(uint16_t command, uint16_t id, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out(6);
    put16(out, 0, command);
    put16(out, 2, id);
    put16(out, 4, uint16_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

uint16_t checksum(const std::vector<uint8_t>& bytes, size_t length)
{
    uint16_t sum = 0;
    const size_t n = std::min(length, bytes.size());
    for (size_t i = 0; i + 1 < n; i += 2)
        sum ^= uint16_t(bytes[i] | (bytes[i + 1] << 8));
    if (n % 2 == 1)
        sum ^= bytes[n - 1];
    return sum;
}

} // namespace

std::string TranscriptEntry::name() const
{
    if (command < 804 || command > 809 || data.size() < 3)
        return {};
    const size_t end = std::min<size_t>(data.size(), 2 + 256);
    std::string out(data.begin() + 2, data.begin() + long(end));
    return out.substr(0, out.find('\0'));
}

FakeHostPeer::FakeHostPeer()
{
    auto listener = platform::net::listenTcp("127.0.0.1", 0, 1, false);
    if (!listener.ok())
        return;
    auto client = platform::net::connectTcp("127.0.0.1", listener.local.port, 5000);
    if (!client.ok())
        return;
    auto accepted = platform::net::acceptWithin(listener.socket, 5000);
    if (!accepted.ok())
        return;
    m_server = std::move(accepted.socket);
    m_peer = std::move(client.socket);
}

FakeHostPeer::FakeHostPeer(platform::net::Socket peerSide) : m_peer(std::move(peerSide)) {}

FakeHostPeer::~FakeHostPeer()
{
    stop();
}

void FakeHostPeer::addFile(const std::string& name, HostFile file)
{
    std::lock_guard lock(m_mutex);
    m_files[name] = std::move(file);
}

std::optional<HostFile> FakeHostPeer::file(const std::string& name) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_files.find(name);
    if (it == m_files.end()) {
        // A file served under its bare name answers for any folder or drive the host names.
        std::string bare = name.substr(0, name.find(':'));
        bare = bare.substr(bare.find_last_of('/') == std::string::npos ? 0 : bare.find_last_of('/') + 1);
        it = m_files.find(bare);
    }
    if (it == m_files.end())
        return std::nullopt;
    return it->second;
}

void FakeHostPeer::setScript(const PeerScript& script)
{
    std::lock_guard lock(m_mutex);
    m_script = script;
}

void FakeHostPeer::start()
{
    if (!m_thread.joinable() && m_peer.isValid())
        m_thread = std::thread([this] { run(); });
}

void FakeHostPeer::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    m_peer.close();
}

std::vector<TranscriptEntry> FakeHostPeer::transcript() const
{
    std::lock_guard lock(m_mutex);
    return m_transcript;
}

size_t FakeHostPeer::count(uint16_t command) const
{
    std::lock_guard lock(m_mutex);
    return size_t(std::count_if(m_transcript.begin(), m_transcript.end(),
                                [command](const TranscriptEntry& e) { return e.command == command; }));
}

bool FakeHostPeer::sendRaw(const std::vector<uint8_t>& bytes)
{
    return sendBytes(bytes);
}

bool FakeHostPeer::readExact(void* buffer, size_t size)
{
    auto* out = static_cast<uint8_t*>(buffer);
    size_t got = 0;
    while (got < size) {
        if (m_stop)
            return false;
        const auto r = platform::net::receiveSome(m_peer, out + got, size - got, kSliceMs);
        if (r.status == IoStatus::TimedOut)
            continue;
        if (!r.ok())
            return false;
        got += r.bytes;
    }
    return true;
}

bool FakeHostPeer::sendBytes(const std::vector<uint8_t>& bytes)
{
    return platform::net::sendAll(m_peer, bytes.data(), bytes.size(), kSendWaitMs).ok();
}

bool FakeHostPeer::answer(uint16_t command, std::vector<uint8_t> data)
{
    PeerScript script;
    {
        std::lock_guard lock(m_mutex);
        script = m_script;
    }
    if (script.silentOn && *script.silentOn == command)
        return true;
    if (script.answerDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(script.answerDelayMs));
    data.resize(data.size() + script.extraAnswerBytes, 0xEE);
    std::vector<uint8_t> bytes = script.garbage;
    if (script.decoy) {
        const auto decoy = packet(command, 1994, std::vector<uint8_t>(data.size(), 0x55));
        bytes.insert(bytes.end(), decoy.begin(), decoy.end());
    }
    const auto real = packet(command, 1995, data);
    bytes.insert(bytes.end(), real.begin(), real.end());
    size_t at = 0;
    for (size_t piece : script.answerPieces) {
        const size_t n = std::min(piece, bytes.size() - at);
        if (n == 0)
            break;
        if (!sendBytes(std::vector<uint8_t>(bytes.begin() + long(at), bytes.begin() + long(at + n))))
            return false;
        at += n;
        std::this_thread::sleep_for(std::chrono::milliseconds(script.pieceDelayMs));
    }
    return at >= bytes.size() || sendBytes(std::vector<uint8_t>(bytes.begin() + long(at), bytes.end()));
}

void FakeHostPeer::run()
{
    while (!m_stop) {
        uint8_t head[6];
        if (!readExact(head, sizeof head))
            break;
        TranscriptEntry request;
        request.command = uint16_t(head[0] | (head[1] << 8));
        request.id = uint16_t(head[2] | (head[3] << 8));
        request.data.resize(size_t(head[4] | (head[5] << 8)));
        if (!readExact(request.data.data(), request.data.size()))
            break;
        {
            std::lock_guard lock(m_mutex);
            m_transcript.push_back(request);
        }
        if (!handle(request))
            break;
    }
    // The server's close, or ours: either way the connection is done.
    m_peer.close();
}

bool FakeHostPeer::handle(const TranscriptEntry& request)
{
    const std::string name = request.name();
    std::optional<HostFile> found = file(name);
    std::vector<uint8_t> status(17, 0);
    if (found) {
        put32(status, 2, uint32_t(found->bytes.size()));
        put32(status, 6, found->date);
        status[11] = found->type;
    } else {
        put16(status, 0, 2); // "File not found."
    }
    switch (request.command) {
    case 804: { // file exists
        std::vector<uint8_t> out = status;
        out.resize(19, 0);
        if (found && request.data.size() >= 263 && (request.data[262] & 1))
            put16(out, 17, checksum(found->bytes, get32(request.data, 258)));
        return answer(804, out);
    }
    case 805:
    case 806: {
        PeerScript script;
        {
            std::lock_guard lock(m_mutex);
            script = m_script;
        }
        if (request.command == 806 && script.openType)
            status[11] = *script.openType;
        if (found) {
            std::lock_guard lock(m_mutex);
            m_current = m_files.count(name)
                            ? name
                            : name.substr(0, name.find(':'))
                                  .substr(name.substr(0, name.find(':')).find_last_of('/') + 1);
        }
        return answer(request.command, status);
    }
    case 801: { // read: the answer, then the bytes
        const uint32_t offset = get32(request.data, 0);
        const uint32_t count = get32(request.data, 4);
        std::string current;
        std::vector<uint8_t> bytes;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_files.find(m_current);
            if (it != m_files.end())
                bytes = it->second.bytes;
        }
        std::vector<uint8_t> out(6, 0);
        if (offset > bytes.size())
            put16(out, 0, 9);
        if (!answer(801, out))
            return false;
        const size_t end = std::min<size_t>(bytes.size(), size_t(offset) + count);
        std::vector<uint8_t> body(bytes.begin() + long(std::min<size_t>(offset, bytes.size())),
                                  bytes.begin() + long(end));
        PeerScript script;
        {
            std::lock_guard lock(m_mutex);
            script = m_script;
        }
        if (script.stallAfter) {
            body.resize(std::min(body.size(), *script.stallAfter));
            return sendBytes(body);
        }
        if (script.closeAfter) {
            body.resize(std::min(body.size(), *script.closeAfter));
            sendBytes(body);
            return false;
        }
        return sendBytes(body);
    }
    case 807: { // close
        const uint32_t date = get32(request.data, 258);
        {
            std::lock_guard lock(m_mutex);
            auto it = m_files.find(name);
            if (it != m_files.end() && date != 0)
                it->second.date = date;
        }
        return answer(807, std::vector<uint8_t>(2, 0));
    }
    case 808: { // create
        {
            std::lock_guard lock(m_mutex);
            m_files[name] = HostFile{};
            m_current = name;
        }
        return answer(808, std::vector<uint8_t>(2, 0));
    }
    case 809: {
        {
            std::lock_guard lock(m_mutex);
            m_files.erase(name);
        }
        return answer(809, std::vector<uint8_t>(2, 0));
    }
    case 802: { // write: the answer, the bytes, the final answer
        PeerScript script;
        {
            std::lock_guard lock(m_mutex);
            script = m_script;
        }
        if (script.notifyAfter && *script.notifyAfter == 0) {
            std::vector<uint8_t> notice(6, 0);
            put16(notice, 0, script.notifyCode);
            auto bytes = packet(802, 1995, std::vector<uint8_t>(2, 0));
            const auto note = packet(803, 1995, notice);
            bytes.insert(bytes.end(), note.begin(), note.end());
            return sendBytes(bytes);
        }
        if (!answer(802, std::vector<uint8_t>(2, 0)))
            return false;
        return receiveUpload(get32(request.data, 0));
    }
    case 803: // a notice from the server: no answer
        return true;
    default:
        return answer(request.command, std::vector<uint8_t>(2, 0xFF));
    }
}

bool FakeHostPeer::receiveUpload(uint32_t count)
{
    PeerScript script;
    {
        std::lock_guard lock(m_mutex);
        script = m_script;
    }
    std::vector<uint8_t> bytes;
    size_t limit = count;
    if (script.notifyAfter)
        limit = std::min<size_t>(limit, *script.notifyAfter);
    bytes.resize(limit);
    if (!readExact(bytes.data(), limit))
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_files[m_current].bytes = bytes;
    }
    if (script.notifyAfter && limit < count) {
        std::vector<uint8_t> notice(6, 0);
        put16(notice, 0, script.notifyCode);
        return sendBytes(packet(803, 1995, notice));
    }
    return answer(802, std::vector<uint8_t>(2, 0));
}

} // namespace valdor
