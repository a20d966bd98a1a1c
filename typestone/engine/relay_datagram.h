#pragma once
// The datagrams that mirror a job's progress display to TypestoneUI: a 6-byte head (the
// command, then four zero bytes) and the command's payload, all integers little-endian. The
// job sends requests; TypestoneUI answers some of them with the same command and a payload of
// a fixed size. Answers come from another process, so they are taken only when their command
// and size are exactly what the request awaits, and their text is never read past its field.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace typestone {

// Requests; the comment gives the answer's payload where one is awaited.
inline constexpr uint16_t kRelayCreate = 1224;      // 4 bytes: non-zero = created
inline constexpr uint16_t kRelayClose = 1225;       //
inline constexpr uint16_t kRelayProgress = 1226;    //
inline constexpr uint16_t kRelayStartCount = 1227;  //
inline constexpr uint16_t kRelayGenericMsg = 1228;  //
inline constexpr uint16_t kRelayDispMsg = 1229;     //
inline constexpr uint16_t kRelayGetMsg = 1230;      // text[256]
inline constexpr uint16_t kRelaySetPage = 1231;     //
inline constexpr uint16_t kRelayGetLevel = 1232;    // 4 bytes: the level
inline constexpr uint16_t kRelayIncrLevel = 1233;   //
inline constexpr uint16_t kRelayIncrContext = 1234; //
inline constexpr uint16_t kRelayRestore = 1236;     //
inline constexpr uint16_t kRelayGetCancel = 1237;   // 4 bytes: the cancel flag
inline constexpr uint16_t kRelaySetCancel = 1238;   //

inline constexpr size_t kRelayHeadSize = 6;
inline constexpr size_t kRelayTextField = 256;    // a text and its NUL
inline constexpr size_t kRelayJobNameField = 260; // at most 259 characters
inline constexpr size_t kRelayPrinterField = 256; // at most 254 characters
inline constexpr size_t kRelayCreateSize = 532;
// The largest datagram of either direction (a create request).
inline constexpr size_t kRelayMostDatagram = kRelayHeadSize + kRelayCreateSize;

// The dialog templates TypestoneUI builds.
inline constexpr uint32_t kRelayFullDialog = 1003;
inline constexpr uint32_t kRelayCompactDialog = 30737;

struct RelayCreate
{
    uint16_t localPort = 0; // the job socket's own port, where the answers come back
    uint32_t templateId = kRelayFullDialog;
    uint32_t level = 1;
    uint32_t bigIcon = 1;
    std::string jobName;
    std::string printer;
};

// A request of `command` with `payload` after the head.
std::vector<uint8_t> RelayRequest(uint16_t command, const std::vector<uint8_t>& payload = {});
std::vector<uint8_t> RelayCreateRequest(const RelayCreate& create);
// Payloads: 32-bit numbers one after another; a text field (at most 255 bytes of `text`, up
// to its first NUL); a text field and a line number.
std::vector<uint8_t> RelayInts(const std::vector<int32_t>& values);
std::vector<uint8_t> RelayText(const std::string& text);
std::vector<uint8_t> RelayTextAndLine(const std::string& text, int32_t line);

// The size of the answer's payload that `command` awaits; nullopt for a request that is not
// answered.
std::optional<size_t> RelayAnswerSize(uint16_t command);

// A valid answer to `request`: exactly the head and the awaited payload, with the request's
// command. Anything else (another command, another size, a request that awaits nothing) is
// nullopt.
struct RelayAnswer
{
    uint16_t command = 0;
    std::vector<uint8_t> payload;

    // The first 32-bit number of the payload (0 when it has none).
    int32_t word() const;
    // The payload as a text field: up to its first NUL, at most 255 bytes.
    std::string text() const;
};
std::optional<RelayAnswer> ParseRelayAnswer(uint16_t request, const uint8_t* data, size_t size);

} // namespace typestone
