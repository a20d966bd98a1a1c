#include "klv_inet/support/file_copy.h"

#include "klv_inet/support/copy_progress.h"
#include "klv_inet/support/library_text.h"
#include "klv_inet/support/size_format.h"
#include "platform/ui/message_box.h"

#include "platform/sysinfo/random_bytes.h"
#include "platform/text/sprintf.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr size_t kBlock = 1024;
constexpr unsigned kStrReplaceQuestion = 469;
constexpr unsigned kStrNoSource = 470;
constexpr unsigned kStrOntoItself = 471;
constexpr unsigned kStrSkipped = 472;
constexpr unsigned kStrOpenError = 473;
constexpr unsigned kStrWriteError = 474;

// Size of a regular file with content, or 0 when it is missing, not a file or empty.
uintmax_t contentSize(const char* path)
{
    std::error_code ec;
    if (!path || !*path || !fs::is_regular_file(path, ec))
        return 0;
    const auto n = fs::file_size(path, ec);
    return ec ? 0 : n;
}

struct File
{
    std::FILE* f = nullptr;
    ~File()
    {
        if (f)
            std::fclose(f);
    }
};

std::string tempNameBeside(const std::string& target)
{
    unsigned char r[4] = {};
    platform::sysinfo::randomBytes(r, sizeof r);
    return target + platform::text::sprintf(".%02x%02x%02x%02x.part", r[0], r[1], r[2], r[3]);
}

} // namespace

int AuxCopyFile(const char* source, const char* target, klv::CopyProgress* progress, unsigned flags)
{
    const bool show = (flags & _COPY_SHOWMSG) != 0;
    auto message = [&](const std::string& text) {
        if (show)
            klv::libraryMessage(text, platform::ui::kMbOk | platform::ui::kMbIconExclamation);
    };
    const uintmax_t size = contentSize(source);
    if (size == 0) {
        message(klv::formatLibraryString(kStrNoSource, {source ? source : ""}));
        return 0;
    }
    if (!target || !*target) {
        message(klv::formatLibraryString(kStrOpenError, {std::to_string(ENOENT), ""}));
        return 0;
    }
    std::error_code ec;
    if (fs::exists(target, ec) && fs::equivalent(source, target, ec)) {
        message(klv::formatLibraryString(kStrOntoItself, {source}));
        return 0;
    }
    if (contentSize(target) > 0) {
        const unsigned mode = flags & 7;
        if (mode == _COPY_SKIP) {
            message(klv::formatLibraryString(kStrSkipped, {target}));
            return 0;
        }
        if (mode == _COPY_PROMPT) {
            const std::string q = klv::formatLibraryString(kStrReplaceQuestion, {target, target, source});
            if (klv::libraryMessage(q, platform::ui::kMbYesNo | platform::ui::kMbIconQuestion) !=
                platform::ui::kIdYes)
                return 0;
        }
    }

    File in, out;
    in.f = std::fopen(source, "rb");
    if (!in.f) {
        message(klv::formatLibraryString(kStrOpenError, {std::to_string(errno), source}));
        return 0;
    }
    const std::string temp = tempNameBeside(target);
    out.f = std::fopen(temp.c_str(), "wbx");
    if (!out.f) {
        message(klv::formatLibraryString(kStrOpenError, {std::to_string(errno), target}));
        return 0;
    }

    if (progress)
        progress->start(std::string(source) + " [" + FormatSize("bytes", size, 0, 1) + "]", target);
    uintmax_t done = 0;
    bool failed = false, cancelled = false;
    int cause = 0;
    unsigned char buf[kBlock];
    for (;;) {
        const size_t n = std::fread(buf, 1, sizeof buf, in.f);
        if (n == 0) {
            if (std::ferror(in.f)) {
                failed = true;
                cause = errno;
            }
            break;
        }
        if (std::fwrite(buf, 1, n, out.f) != n) {
            failed = true;
            cause = errno;
            break;
        }
        done += n;
        if (progress) {
            if (progress->isCancelled()) {
                cancelled = true;
                break;
            }
            progress->report(done, size);
        }
    }
    if (std::fclose(out.f) != 0 && !failed) {
        failed = true;
        cause = errno;
    }
    out.f = nullptr;
    if (progress)
        progress->stop();
    if (failed)
        message(klv::formatLibraryString(kStrWriteError, {std::to_string(cause), target}));
    if (failed || cancelled || done != size) {
        fs::remove(temp, ec);
        return 0;
    }
    fs::rename(temp, target, ec);
    if (ec) {
        message(klv::formatLibraryString(kStrWriteError, {std::to_string(ec.value()), target}));
        fs::remove(temp, ec);
        return 0;
    }
    return 1;
}

int CmpFiles(const char* a, const char* b, klv::CopyProgress* progress)
{
    const uintmax_t size = contentSize(a);
    if (size == 0 || contentSize(b) != size)
        return 0;
    File fa, fb;
    fa.f = std::fopen(a, "rb");
    fb.f = std::fopen(b, "rb");
    if (!fa.f || !fb.f)
        return 0;
    if (progress)
        progress->start(std::string(a) + " [" + FormatSize("bytes", size, 0, 1) + "]", b);
    unsigned char ba[kBlock], bb[kBlock];
    uintmax_t done = 0;
    int result = 0;
    for (;;) {
        const size_t na = std::fread(ba, 1, sizeof ba, fa.f);
        const size_t nb = std::fread(bb, 1, sizeof bb, fb.f);
        if (na != nb || std::ferror(fa.f) || std::ferror(fb.f))
            break;
        if (na == 0) {
            result = done == size ? 1 : 0;
            break;
        }
        if (std::memcmp(ba, bb, na) != 0)
            break;
        done += na;
        if (progress) {
            if (progress->isCancelled())
                break;
            progress->report(done, size);
        }
    }
    if (progress)
        progress->stop();
    return result;
}
