#include "klv_inet/support/reg_product.h"

#include "klv_inet/support/library_text.h"
#include "klv_inet/support/msg_strings.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"
#include "platform/ui/message_box.h"

#include "platform/folders/folders.h"
#include "platform/sysinfo/open_document.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned kStrWelcome = 4054;

std::string productPath(const char* product, const char* branch)
{
    std::string p;
    return FormProductSection(p, branch, product);
}

} // namespace

void SavePLMProductEntry(const char* name, const char* text, const char* product, const char* branch)
{
    const std::string t = text ? text : "";
    SetRegistryEntry(productPath(product, branch).c_str(), name, t.c_str(), static_cast<uint32_t>(t.size()),
                     KLV_REG_SZ, platform::RegRoot::Users);
}

std::string& LoadPLMProductEntry(const char* name, std::string& out, const char* product, const char* branch)
{
    char buf[260] = {};
    uint32_t size = sizeof buf;
    out.clear();
    if (GetRegistryEntry(productPath(product, branch).c_str(), name, buf, &size, platform::RegRoot::Users))
        out.assign(buf, strnlen(buf, sizeof buf));
    return out;
}

void SavePLMProductVersion(const char* product, uint32_t version, const char* branch)
{
    SavePLMProductEntry("Version", std::to_string(version).c_str(), product, branch);
}

uint32_t LoadPLMProductVersion(const char* product, const char* branch)
{
    std::string text;
    LoadPLMProductEntry("Version", text, product, branch);
    if (text.empty())
        return 0;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 0);
    return v > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(v);
}

void SaveVersion(uint32_t version, const char* product, const char* notesFile, const char* branch)
{
    const uint32_t stored = LoadPLMProductVersion(product, branch);
    if (version == stored)
        return;
    klv::resetProductStatus(product, product);
    if (version < stored)
        return;
    SavePLMProductVersion(product, version, branch);
    if (!notesFile || !*notesFile)
        return;
    const std::string pattern = klv::messageString(kStrWelcome);
    if (pattern.empty())
        return;
    const uint32_t shown = version >= 10000 ? version / 100 : version;
    const std::string text = klv::formatFields(
        pattern, {product ? product : "", std::to_string(shown / 100), std::to_string(shown % 100)});
    if (klv::libraryMessage(text, platform::ui::kMbYesNo | platform::ui::kMbIconQuestion) ==
        platform::ui::kIdYes)
        ShowVersionNotes(notesFile);
}

void ShowVersionNotes(const char* notesFile)
{
    if (!notesFile || !*notesFile)
        return;
    const std::string name = notesFile;
    const auto slash = name.rfind('/');
    std::string folder, document;
    if (slash != std::string::npos) {
        folder = slash == 0 ? "/" : name.substr(0, slash);
        document = name.substr(slash + 1);
    } else {
        folder = platform::folders::dataDir();
        document = name;
    }
    if (document.empty())
        return;
    platform::sysinfo::openDocument(folder + (folder.back() == '/' ? "" : "/") + document, folder);
}
