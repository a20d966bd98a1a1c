#include "klv_inet/support/bin_dumper.h"

#include "klv_inet/support/msg_box.h"
#include "klv_inet/support/msg_box_format.h"
#include "klv_inet/support/msg_clock.h"
#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/size_format.h"
#include "klv_inet/support/work4wts.h"

#include "platform/fileio/file.h"
#include "platform/fileio/file_ops.h"

#include <cstdio>
#include <memory>
#include <new>

namespace {

constexpr unsigned kFileCopyTemplate = 30732;
constexpr unsigned kLibraryClip = 230;
constexpr size_t kBlock = 1024;

void failBox(const std::string& text)
{
    DLL_MessageBox(text.c_str(), platform::ui::kMbOk, 0);
}

} // namespace

const char* DbgBinDumper(std::string* out, const char* title, const void* bytes, size_t length,
                         const char* separator)
{
    if (!out)
        return nullptr;
    const std::string sep = separator ? separator : "";
    const std::string dashes29(29, '-');
    const std::string dashes26(26, '-');
    char buf[64];
    *out += sep + dashes29 + sep;
    if (title && *title)
        *out += title;
    std::snprintf(buf, sizeof buf, " (len=%u bytes)\n", static_cast<unsigned>(length));
    *out += buf;
    if (length == 0 || !bytes) {
        *out += sep + dashes26 + sep;
        return out->c_str();
    }
    std::string hex = sep + std::string(10, ' ');
    for (int d = 0; d < 16; ++d) {
        if (d % 4 == 0)
            hex += ' ';
        std::snprintf(buf, sizeof buf, "%2c", "0123456789ABCDEF"[d]);
        hex += buf;
    }
    std::string chars;
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < length; ++i) {
        if (i % 16 == 0) {
            *out += hex;
            if (!chars.empty())
                *out += chars + "'";
            // The offset as eight upper-case hex digits, the way the dumps always read.
            std::snprintf(buf, sizeof buf, "%s0x%08X", sep.c_str(), static_cast<unsigned>(i));
            *out += buf;
            hex.clear();
            chars = "\t\t'";
        }
        if (i % 4 == 0)
            hex += ' ';
        std::snprintf(buf, sizeof buf, "%02x", p[i]);
        hex += buf;
        chars += p[i] < 32 ? '.' : static_cast<char>(p[i]);
    }
    chars += "'";
    if (hex.size() < 36)
        hex.append(36 - hex.size(), ' ');
    *out += hex + chars + sep + dashes26 + sep;
    return out->c_str();
}

unsigned long long FileBinDumper(const char* source, const char* target)
{
    if (!source || !*source || !platform::fileio::fileInfo(source).exists)
        return 0;
    const std::string src = source;
    const std::string tgt = target ? target : "";
    CMsgDlgOptions options;
    options.templateId = kFileCopyTemplate;
    options.title = "File Bin Dumper";
    options.cancellable = true;
    options.showAlways = true;
    options.enableHide = true;
    options.libraryResources = true;
    CMsgDlg dlg(options);

    platform::fileio::File in;
    if (!in.openRead(src)) {
        failBox("Failed to open '" + src + "'");
        return 0;
    }
    platform::fileio::File out;
    if (tgt.empty() || !out.openWriteExclusive(tgt)) {
        failBox("Failed to open temp target file '" + tgt + "'");
        return 0;
    }
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kBlock]);
    if (!buffer) {
        failBox("Failed to alloc memory for buffer");
        return 0;
    }

    const uint64_t size = in.size();
    const std::string sizeText = FormatSize("bytes", size);
    dlg.DispMsg((src + " [" + sizeText + "]").c_str(), 0);
    dlg.DispMsg(tgt.c_str(), 1);
    dlg.DispMsg("", 2);
    dlg.DispMsg("", 3);
    dlg.Animate(kLibraryClip);

    const std::string head =
        "\n*********\nBinary Dump of " + src + " file\nSize=" + sizeText + "\n********\n";
    if (!out.write(head.data(), head.size()))
        return 0;
    const time_t start = dlg.clock().now();
    uint64_t done = 0;
    for (;;) {
        const long long n = in.read(buffer.get(), kBlock);
        if (n <= 0)
            break;
        std::string text;
        DbgBinDumper(&text, FormatSize("bytes", done).c_str(), buffer.get(), static_cast<size_t>(n), "\n");
        if (!out.write(text.data(), text.size()))
            break;
        done += static_cast<uint64_t>(n);
        if (dlg.IsCancelPressed())
            break;
        dlg.ReportProgress(done, size);
        dlg.Time2Go(start, size, done, 0);
    }
    return done;
}

unsigned long long FileBinDumper(const char* source, std::string* target)
{
    std::string name = target && !target->empty() ? *target : std::string();
    if (name.empty()) {
        name = platform::fileio::makeTempFile(GetSessionTempPath(), "kdr");
        if (name.empty())
            failBox("Failed to set temp target path");
    }
    const unsigned long long done = FileBinDumper(source, name.c_str());
    if (done && target)
        *target = name;
    return done;
}
