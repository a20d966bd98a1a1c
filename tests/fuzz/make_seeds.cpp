// Writes the seed corpus of the fuzz targets from the real encoders: make_fuzz_seeds DIR
// fills DIR/<target>/ (the repository keeps its output in tests/fuzz/corpus).

#include "tests/fuzz/sfnt_tables.h"
#include "tests/support/host/job_request.h"

#include "typestone/engine/command_table.h"
#include "typestone/engine/esc_block.h"
#include "typestone/server/dev_mode.h"
#include "typestone/server/service_ui_bridge.h"
#include "typestone/server/status_messages.h"

#include "klv_inet/support/gen_encrypter.h"

#include "platform/draw/pdf_font_subset.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::string;

namespace {

fs::path g_root;

void seed(const char* target, const std::string& name, const Bytes& bytes)
{
    const fs::path dir = g_root / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary | std::ios::trunc) << bytes;
}

Bytes u16(uint16_t v)
{
    return Bytes{char(v & 0xFF), char(v >> 8)};
}

Bytes u32(uint32_t v)
{
    return u16(uint16_t(v & 0xFFFF)) + u16(uint16_t(v >> 16));
}

Bytes fromVector(const std::vector<uint8_t>& v)
{
    return Bytes(v.begin(), v.end());
}

// --- job header
void jobHeaders()
{
    valdor::JobRequest r;
    r.printer = "Office";
    r.password = "pw";
    r.docName = "INVOICE";
    r.output = "C:\\PDF\\X.PDF";
    seed("job_header", "interpreted", fromVector(valdor::buildHeader(r)));
    r.options = valdor::kOptionRaw;
    seed("job_header", "raw", fromVector(valdor::buildHeader(r)));
    valdor::JobRequest full;
    full.printer = std::string(300, 'P');
    full.password = std::string(12, 'W');
    full.docName = std::string(300, 'D');
    full.output = std::string(300, 'O');
    seed("job_header", "full_fields", fromVector(valdor::buildHeader(full)));
    auto bad = valdor::buildHeader(r);
    bad[5] = 'X';
    valdor::fixChecksum(bad);
    seed("job_header", "bad_magic", fromVector(bad));
    bad = valdor::buildHeader(r);
    bad[22] ^= 1;
    seed("job_header", "bad_checksum", fromVector(bad));
}

// --- print stream
Bytes block(uint16_t cmd, const Bytes& params, uint16_t version = typestone::kEscSupportedVersion)
{
    typestone::EscHeader h;
    h.wVersion = version;
    h.wCmd = cmd;
    h.dwLen = uint32_t(params.size());
    h.wChk = h.computeChecksum();
    uint8_t out[typestone::kEscHeaderSize];
    h.encode(out);
    return Bytes(reinterpret_cast<const char*>(out), sizeof out) + params;
}

// The input of print_stream: the cut offsets, then the stream.
Bytes cutStream(const Bytes& stream, std::vector<uint16_t> cuts)
{
    Bytes out(1, char(cuts.size()));
    for (uint16_t c : cuts)
        out += u16(c);
    return out + stream;
}

void printStreams()
{
    const char* target = "print_stream";
    seed(target, "text_controls",
         cutStream("Invoice 42\r\n\x0E"
                   "Bold\x0F \x0BUnder\x16 \x17Wide\x18 \x15High\x19 \x02Small\x03\tTab\x1D"
                   "Italic\x1E \x04Red\x05\r\n\x1B\x0A"
                   "literal\f"
                   "Page two\r\n",
                   {3, 17, 40}));
    seed(target, "box_drawing",
         cutStream("\xC9\xCD\xCD\xCD\xCD\xCB\xCD\xCD\xBB\r\n\xBA Box \xBA  "
                   "\xBA\r\n\xC7\xC4\xC4\xC4\xC4\xD7\xC4\xC4\xB6\r\n"
                   "\xC8\xCD\xCD\xCD\xCD\xCA\xCD\xCD\xBC\r\n\xB0\xB0\xB1\xB1\xB2\xB2\xDB\xDB \x9F 12\r\n",
                   {2, 13, 14, 30}));
    seed(target, "broken_blocks",
         cutStream("A\xFD"
                   "B\xFD\xFD"
                   "AB" +
                       block(8, u16(5)) + "C\xFD\xFD\xFD\xFD" + block(9, u32(1) + u32(2)).substr(0, 7) + "D" +
                       block(44, "abc") + block(8, u16(2), 101) + "E\xFD\xFD",
                   {1, 5, 6, 7}));

    // Barcodes of every face, a QR code on the page, a picture in the block, in a drawing area.
    {
        auto barcode = [](const std::string& face, const std::string& text) {
            Bytes name = face;
            name.resize(32, '\0');
            return block(26, u32(120) + u32(240) + u32(0) + name + text + Bytes(1, '\0'));
        };
        Bytes bmp = "BM" + u32(54 + 16) + u32(0) + u32(54) + u32(40) + u32(2) + u32(2) + u16(1) + u16(24) +
                    u32(0) + u32(16) + Bytes(16, '\0');
        bmp.replace(54, 3, "\xFF\x00\x00");
        const Bytes stream = block(2, u32(0x20) + u32(1) + u32(100) + u32(100) + u32(3000) + u32(4000) +
                                          u16(0) + u32(0) + u32(0)) +
                             barcode("EAN 13", "400638133393") + "\r\n" + barcode("3 of 9 Barcode", "abc-1") +
                             "\r\n" + barcode("Wide39", "W 39") + "\r\n" + barcode("Code128A", "A 1") +
                             "\r\n" + barcode("Code128B", "b 2") + "\r\n" + barcode("Code128C", "12345") +
                             "\r\n" + barcode("#Code39", "*X*") + barcode("Arial", "12") +
                             block(27, Bytes(256, '\0') + u16(2 | 0x300) + Bytes(8, '\0') + u16(2) + u16(0) +
                                           "QR" + Bytes(1, '\0')) +
                             block(0, u32(0x10000000) + u32(1) + u32(10) + u32(20) + u32(0) + u32(0) +
                                          u16(0) + u32(uint32_t(bmp.size())) + bmp) +
                             "\f";
        seed(target, "barcodes_qr_picture", cutStream(stream, {12, 90, 300}));
    }

    // The font commands with meaningful blocks: a face and a point size with bold and colours,
    // the grid of an area, sizes in each unit of SetFontSize, styles, alignment and effects.
    {
        auto face = [](const char* name) {
            Bytes f(name);
            f.resize(32, '\0');
            return f;
        };
        auto changeFont = [&](uint32_t options, int32_t unit, int32_t height, int32_t width,
                              uint32_t areaUnit, int32_t areaWidth, int32_t areaHeight, const char* name) {
            return block(1, u32(options) + u32(uint32_t(unit)) + u32(uint32_t(height)) +
                                u32(uint32_t(width)) + u32(areaUnit) + u32(uint32_t(areaWidth)) +
                                u32(uint32_t(areaHeight)) + Bytes(2, '\0') + u32(0x0000FF) + u32(0xFFFF00) +
                                face(name));
        };
        auto fontSize = [](int32_t w, int32_t h, int32_t unit) {
            return block(7, u32(uint32_t(w)) + u32(uint32_t(h)) + u32(uint32_t(unit)));
        };
        seed(target, "font_commands",
             cutStream("Grid\r\n" + changeFont(0x1F000102, 16, 240, 0, 0, 0, 0, "Arial") + "Big bold\r\n" +
                           changeFont(0x02000000, 2, 20, 40, 4, 100, 50, "") + "Area\r\n" +
                           block(6, face("Times New Roman")) + fontSize(-132, 66, 1) + "Grid\r\n" +
                           fontSize(0, 5, 0) + "Tiny " + fontSize(12, 6, 2) + "Cpi\x17W\x18\r\n" +
                           block(8, u16(0x0105)) + "Style " + block(9, u32(0xFF0000) + u32(0x00FF00)) +
                           "Red " + block(10, u16(0xE3)) + block(40, u16(1)) + "Sup\x04Col\x04\x05\r\n",
                       {5, 40, 120}));
    }

    // One block of every command, its parameters at the command's minimum length, between text.
    const auto& table = typestone::CommandTable::builtIn();
    for (uint16_t code = 0; code < table.commands.size(); ++code) {
        const auto& slot = table.commands[code];
        if (!slot.name)
            continue;
        Bytes params(slot.minLen, '\0');
        for (size_t i = 0; i < params.size(); ++i)
            params[i] = char((i * 7 + code) & 0x0F);
        if (code == 20) { // PrintFile: a local file in text mode, all lines
            params = u16(0x8000) + u16(1) + u16(0) + Bytes(18, '\0') + "C:\\A.TXT" + Bytes(1, '\0');
        }
        const Bytes stream = "before " + block(code, params) + " after\r\n" + block(code, Bytes()) + "\f";
        seed(target, "command_" + std::to_string(code) + "_" + slot.name, cutStream(stream, {9, 20}));
    }
}

// --- recorded page actions: the range flags, then the recorded stream (see page_actions_fuzz)
void pageActions()
{
    const char* target = "page_actions";
    auto field = [](uint16_t type, const Bytes& format) {
        return block(22, u16(type) + format + Bytes(1, '\0'));
    };
    seed(target, "header_every_page", u16(0x0181) + "Head " + field(0, "Page %u") + "\r\n");
    seed(target, "stored_only_fields",
         u16(0x8181) + field(1, "dddd, d 'de' MMMM 'de' yyyy gg") + " " + field(2, "hh:mm:ss tt") + " " +
             field(3, "HOME") + "\r\n");
    seed(target, "odd_pages_with_form_feed", u16(0x0101) + "Footer\f\x1B\x0A" + field(0, "%-5u|%%"));
    seed(target, "rejected_formats",
         u16(0x0001) + field(0, "%s %n %u %u") + field(0, "%.999999u") + field(7, ""));
    seed(target, "records",
         u16(0x8081) + block(23, Bytes(",a,b,c") + Bytes(1, '\0')) +
             block(21, u16(2) + u16(3) + u16(0x0081)) + "Nested range");
}

// --- UDP datagrams
Bytes datagram(uint16_t command, uint16_t sequence, const Bytes& body = Bytes())
{
    return u16(command) + u16(sequence) + Bytes(2, '\0') + body;
}

Bytes field(const std::string& text, size_t width)
{
    Bytes f = text.substr(0, width);
    f.resize(width, '\0');
    return f;
}

Bytes registryWrite(const std::string& section, const std::string& entry, uint32_t type, uint32_t root,
                    const Bytes& value)
{
    return datagram(typestone::CMD_SETREGISTRYENTRY, 7,
                    field(section, 128) + field(entry, 128) + u32(uint32_t(value.size())) + u32(type) +
                        u32(root) + value);
}

void udpDatagrams()
{
    using namespace typestone;
    const char* target = "udp_datagram";
    const Bytes host(1, '\0');
    const Bytes local(1, '\1');
    seed(target, "who", host + datagram(CMD_WHO, 1));
    seed(target, "printer_list", host + datagram(CMD_PRTLIST, 2));
    seed(target, "check_office", host + datagram(CMD_CHKPRINTER, 3, field("Office", 255) + field("pw", 255)));
    seed(target, "check_wrong_password",
         host + datagram(CMD_CHKPRINTER, 4, field("Office", 255) + field("PW2", 255)));
    seed(target, "check_short", host + datagram(CMD_CHKPRINTER, 5, "Printer1"));
    for (uint16_t c :
         {SCM_PAUSE_MSG, SCM_CONTINUE_MSG, SCM_STOP_MSG, CMD_RELOADCFG, CMD_AUTOSTART_ON, CMD_AUTOSTART_OFF,
          CMD_GETAUTOSTART, CMD_TOGGLETRACER, CMD_TOGGLETIMING, CMD_SETDBGOPTIONS, CMD_GETDBGOPTIONS})
        seed(target, "control_" + std::to_string(c), local + datagram(c, 9));
    seed(target, "control_from_host", host + datagram(CMD_GETAUTOSTART, 10));
    seed(target, "registry_text",
         local + registryWrite(".DEFAULT\\Software\\KLV\\Typestone\\General", "Fuzz", 1, 0x80000003u,
                               Bytes("value", 6)));
    seed(target, "registry_dword",
         local + registryWrite("Software\\KLV\\Typestone\\Debug", "Mask", 4, 0x80000001u, u32(0x1F)));
    seed(target, "registry_binary",
         local + registryWrite("Software\\KLV\\Typestone\\Printers", "Blob", 3, 0x80000001u,
                               Bytes("\1\2\3\0\5", 5)));
    seed(target, "registry_foreign",
         local + registryWrite("Software\\Other", "X", 1, 0x80000001u, Bytes("x", 2)));
}

// --- registry text files
void registryFiles()
{
    const char* target = "reg_import";
    seed(target, "values",
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\KLV\\Fuzz]\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\KLV\\Fuzz\\General]\r\n\"Path\"=\"C:\\\\Typestone\"\r\n"
         "\"Quote\"=\"say \\\"yes\\\"\"\r\n\"Count\"=dword:0000001f\r\n\"Blob\"=hex:01,ff,00,7a\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\KLV\\Fuzz\\Printers]\r\n\"Name1\"=\"Office\"\r\n; a comment\r\n");
    seed(target, "roots",
         "REGEDIT4\r\n\r\n[HKEY_USERS\\.DEFAULT\\Software\\KLV\\Fuzz\\General]\r\n\"Flag\"=\"yes\"\r\n\r\n"
         "[Software\\KLV\\Fuzz\\Bare]\r\n\"N\"=dword:00000001\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\PLM\\Fuzz\\Old]\r\n\"Brand\"=\"old\"\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\Software\\KLV\\Fuzz]\r\n\"M\"=\"m\"\r\n");
    seed(target, "odd_lines",
         "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\KLV\\Fuzz\\A]\n@=\"default\"\n\"Empty\"=\"\"\n\"NoHex\"="
         "hex:\n"
         "[hkey_current_user\\software\\klv\\fuzz\\a]\n\"Second\"=\"same section\"\n"
         "[HKEY_CURRENT_USER\\Software\\KLV\\Fuzz\\B]\n\"Bad\"=qword:1\n");
}

// --- device settings records
void deviceRecords()
{
    platform::spooler::PrinterDefaults d;
    seed("dev_mode", "defaults", fromVector(typestone::DevMode("Office", d).toBytes()));
    d.media = "na_letter_8.5x11in";
    d.orientation = platform::spooler::Orientation::Landscape;
    d.copies = 3;
    d.sides = platform::spooler::Sides::TwoSidedLongEdge;
    d.colorMode = platform::spooler::ColorMode::Monochrome;
    d.quality = platform::spooler::PrintQuality::High;
    d.resolution = {1200, 600};
    typestone::DevMode m(std::string(40, 'L'), d);
    m.extra = {{"Tray", "2"}, {"Finishing", "staple=top-left"}, {"Empty", ""}};
    seed("dev_mode", "landscape_extras", fromVector(m.toBytes()));
}

// --- cipher records
void cipherRecords()
{
    auto record = [](const Bytes& plain, uint16_t key) {
        uint32_t length = uint32_t(plain.size());
        unsigned char* r = CGenEncrypter::SimpleEncrypt(plain.data(), &length, key);
        const Bytes out(reinterpret_cast<const char*>(r), length);
        std::free(r);
        return out;
    };
    seed("cipher", "password", record(Bytes("pw\0\x5A\x13\x77\x01\x42\x99", 9), 0x3C5A));
    seed("cipher", "empty_password", record(Bytes("\0\1\2\3\4\5\6\7\x08", 9), 0xFFFF));
    seed("cipher", "long_data", record(Bytes(300, 'd'), 0x0102) + "trailing");
}

// --- TypestoneUI answers: each datagram a length byte and its bytes
Bytes answer(uint16_t command, const Bytes& rest)
{
    const Bytes d = u16(command) + Bytes(4, '\0') + rest;
    return Bytes(1, char(d.size())) + d;
}

void uiAnswers()
{
    using namespace typestone;
    const char* target = "ui_answer";
    seed(target, "yes", answer(CMD_SENDMESSAGE, u32(6)));
    seed(target, "debug_then_no",
         answer(CMD_SETDBGOPTIONS, "") + answer(CMD_GETDBGOPTIONS, "x") + answer(CMD_SENDMESSAGE, u32(7)));
    seed(target, "junk_then_cancel",
         Bytes("\x03"
               "abc",
               4) +
             answer(CMD_SENDMESSAGE, u32(2) + "long") + answer(1, u32(1)) + answer(CMD_SENDMESSAGE, u32(2)));
    seed(target, "oversized", answer(CMD_SENDMESSAGE, Bytes(120, '\x01')) + Bytes(1, '\0'));
}

} // namespace

// --- barcode face names and data: the name, a NUL, the data
void barcodes()
{
    const std::pair<const char*, Bytes> seeds[] = {
        {"ean13", Bytes("EAN 13") + '\0' + "4006381333939"},
        {"code39", Bytes("Code39") + '\0' + "abc-1"},
        {"wide39", Bytes("Wide39") + '\0' + "abc-1"},
        {"code128a", Bytes("Code128A") + '\0' + "HELLO 1"},
        {"code128b", Bytes("Code128B") + '\0' + "Hello, World \xC3"},
        {"code128c", Bytes("Code128C") + '\0' + "12a345"},
        {"no_encoder", Bytes("Arial") + '\0' + "plain"},
    };
    for (const auto& [name, bytes] : seeds)
        seed("barcode", name, bytes);
}

// --- font subset: subsets of the installed faces, themselves TrueType files
void fontSubsets()
{
    const struct
    {
        const char* name;
        const char* face;
        std::set<std::uint32_t> glyphs;
    } seeds[] = {
        // Glyphs 36..61 are the capitals in both faces.
        {"liberation_capitals",
         "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
         {3, 36, 37, 38, 61}},
        // Ǻ and Ấ: composites, one of them with a composite component.
        {"dejavu_composites", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", {444, 2466}},
        {"dejavu_mono_digits", "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", {19, 20, 21}},
    };
    for (const auto& s : seeds) {
        std::ifstream in(s.face, std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto tables = fuzz::sfntTables(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        const auto subset = platform::draw::subsetTrueType(
            [&tables](const char* tag) {
                const auto it = tables.find(tag);
                return it == tables.end() ? QByteArray() : it->second;
            },
            s.glyphs);
        if (!subset) {
            std::fprintf(stderr, "no subset of %s\n", s.face);
            std::exit(1);
        }
        seed("font_subset", s.name, *subset);
    }
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    jobHeaders();
    printStreams();
    barcodes();
    pageActions();
    udpDatagrams();
    registryFiles();
    deviceRecords();
    cipherRecords();
    uiAnswers();
    fontSubsets();
    return 0;
}
