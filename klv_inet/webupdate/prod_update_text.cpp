#include "klv_inet/webupdate/prod_update_text.h"

#include "klv_inet/support/date_version_format.h"
#include "klv_inet/support/msg_strings.h"
#include "klv_inet/webupdate/product.h"
#include "klv_inet/webupdate/web_strings.h"
#include "platform/text/sprintf.h"

#include <cstdio>

namespace klv {
namespace {

std::string label(unsigned offset)
{
    std::string text = messageString(webstr::kLabelProduct + offset) + ":";
    // Characters, not bytes, so the Spanish labels line up too.
    size_t chars = 0;
    for (unsigned char c : text)
        chars += (c & 0xC0) != 0x80;
    if (chars < 20)
        text.append(20 - chars, ' ');
    return text;
}

std::string version(uint32_t v)
{
    std::string out;
    return FmtVersionStr(v, out);
}

} // namespace

std::string ProductLine(const CProduct& product)
{
    std::string line = product.m_szName;
    if (line.size() < 40)
        line.append(40 - line.size(), ' ');
    return line + platform::text::sprintf("%8u KB", product.m_nSize >> 10);
}

std::string ProductPaneText(const CProduct& product)
{
    std::string text = label(1) + version(product.m_nUpdVersion);
    text += "\n" + label(2) + std::to_string(product.m_nSize >> 10) + " KB";
    text += "\n" + label(3) + product.m_szDate;
    text +=
        "\n" + label(4) +
        (product.m_nCurrVersion ? version(product.m_nCurrVersion) : messageString(webstr::kUnknownVersion));
    text += "\n" + label(5) + (product.m_nPlatform == CProduct::VALDOR ? "VALDOR" : "Windows") + "\n\n";
    return text + product.m_szDescription;
}

std::string WebUpdateString(unsigned id)
{
    return messageString(id);
}

} // namespace klv
