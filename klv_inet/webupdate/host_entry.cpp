#include "klv_inet/webupdate/host_entry.h"

#include "klv_inet/support/text_utils.h"
#include "platform/text/sprintf.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <vector>

namespace {

// Unsigned decimal digits at `pos` (blanks before them skipped, as scanf does); the value is
// held at the largest 32-bit number rather than wrapping. False when there is no digit.
bool readNumber(const std::string& s, size_t& pos, uint32_t& out, size_t maxDigits = 20)
{
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t'))
        ++pos;
    uint64_t v = 0;
    size_t digits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && digits < maxDigits) {
        v = v * 10 + static_cast<uint64_t>(s[pos] - '0');
        if (v > std::numeric_limits<uint32_t>::max())
            v = std::numeric_limits<uint32_t>::max();
        ++pos;
        ++digits;
    }
    out = static_cast<uint32_t>(v);
    return digits > 0;
}

// Numbers separated by the given characters ("%u/%u/%u %u:%u:%u" is "//  ::"); stops at the
// first mismatch and returns how many numbers were read.
size_t readPattern(const std::string& s, const char* separators, std::vector<uint32_t>& out)
{
    size_t pos = 0;
    out.clear();
    for (size_t i = 0;; ++i) {
        uint32_t v = 0;
        if (!readNumber(s, pos, v))
            break;
        out.push_back(v);
        const char sep = separators[i];
        if (sep == '\0')
            break;
        if (sep == ' ') {
            if (pos >= s.size() || (s[pos] != ' ' && s[pos] != '\t'))
                break;
            continue;
        }
        if (pos >= s.size() || s[pos] != sep)
            break;
        ++pos;
    }
    return out.size();
}

std::string localTimeText(int64_t t)
{
    const time_t tt = static_cast<time_t>(t);
    std::tm tmv{};
    char buf[64] = {};
    if (localtime_r(&tt, &tmv))
        std::strftime(buf, sizeof buf, "%d/%m/%Y %H:%M:%S", &tmv);
    return buf;
}

int sign(uint64_t a, uint64_t b)
{
    return a > b ? 1 : (a < b ? -1 : 0);
}

} // namespace

CHostEntry::CHostEntry()
{
    DlftSetup();
}

CHostEntry::CHostEntry(const CHostEntry* other)
{
    if (other)
        *this = *other;
    else
        DlftSetup();
}

CHostEntry::~CHostEntry() = default;

void CHostEntry::DlftSetup()
{
    m_szAccount.clear();
    m_szURL.clear();
    m_szName.clear();
    m_szAddress.clear();
    m_nPort = 0;
    m_bDialUp = 0;
    m_nComPort = 0;
    m_szPhoneBook.clear();
    m_szDevice.clear();
    m_nVersion = 0;
    m_tLastAccess = 0;
    m_nCount = 0;
    m_szMfgSerial.clear();
}

const char* CHostEntry::FormatHostName(std::string* out, int display) const
{
    if (!out)
        return nullptr;
    std::string& s = *out;
    if (isDialUp()) {
        s = display ? "NAME (" + m_szName + "), PHONE (" + m_szAddress + "), DEVICE (" + m_szDevice +
                          "), PHBOOK (" + m_szPhoneBook + ")"
                    : "C:\\NAME=" + m_szName + ", PHONE=" + m_szAddress + ", DEVICE=" + m_szDevice +
                          ", PHBOOK=" + m_szPhoneBook;
    } else if (isSerial()) {
        s = (display ? "COM" : "C:\\COM=") + std::to_string(m_nComPort);
    } else {
        const std::string port = std::to_string(m_nPort);
        s = display ? "NAME (" + m_szName + "), IP (" + m_szAddress + "), PORT" + port
                    : "C:\\NAME=" + m_szName + ", IP=" + m_szAddress + ", PORT=" + port;
        if (!m_szURL.empty())
            s += display ? ", URL (" + m_szURL + ")" : ", URL=" + m_szURL;
    }
    if (!m_szAccount.empty())
        s += display ? ", ACC (" + m_szAccount + ")" : ", ACC=" + m_szAccount;
    return s.c_str();
}

const char* CHostEntry::FormatHostData(std::string* out, int display) const
{
    if (!out)
        return nullptr;
    const std::string ver = platform::text::sprintf("%u.%02u", m_nVersion / 100u, m_nVersion % 100u);
    const std::string last = localTimeText(m_tLastAccess);
    const std::string count = std::to_string(m_nCount);
    *out = display
               ? "Ver (" + ver + "), LastAccess (" + last + "), Count (" + count + "), MfgSerial (" +
                     m_szMfgSerial + ")"
               : "Ver=" + ver + ", LastAccess=" + last + ", Count=" + count + ", MfgSerial=" + m_szMfgSerial;
    return out->c_str();
}

int CHostEntry::SetHostFromName(const char* text)
{
    if (!text || !*text)
        return 0;
    const std::string s = text;
    std::string v;
    uint32_t n = 0;
    size_t pos = 0;
    if (ExtractFromStr(s, "NAME=", v))
        m_szName = v;
    if (ExtractFromStr(s, "ACC=", v))
        m_szAccount = v;
    if (ExtractFromStr(s, "IP=", v)) {
        m_szAddress = v;
        if (ExtractFromStr(s, "PORT=", v) && readNumber(v, pos = 0, n))
            m_nPort = static_cast<uint16_t>(n);
        if (ExtractFromStr(s, "URL=", v))
            m_szURL = v;
    } else if (ExtractFromStr(s, "PHONE=", v)) {
        m_szAddress = v;
        m_bDialUp = 1;
        if (ExtractFromStr(s, "DEVICE=", v))
            m_szDevice = v;
        if (ExtractFromStr(s, "PHBOOK=", v))
            m_szPhoneBook = v;
    } else if (ExtractFromStr(s, "COM=", v) && readNumber(v, pos = 0, n)) {
        m_nComPort = static_cast<uint16_t>(n);
    }
    return 1;
}

int CHostEntry::SetHostFromData(const char* text)
{
    if (!text || !*text)
        return 0;
    const std::string s = text;
    std::string v;
    std::vector<uint32_t> f;
    if (ExtractFromStr(s, "Ver=", v) && readPattern(v, ".", f) == 2) {
        size_t pos = 0;
        uint32_t major = 0, minor = 0;
        readNumber(v, pos, major);
        ++pos; // the '.'
        readNumber(v, pos, minor, 2);
        m_nVersion = static_cast<uint16_t>(major * 100 + minor);
    }
    bool haveTime = false;
    std::tm tmv{};
    if (ExtractFromStr(s, "LastAccess=", v) && readPattern(v, "// ::", f) >= 3) {
        tmv.tm_mday = static_cast<int>(f[0] % 100);
        tmv.tm_mon = static_cast<int>(f[1] % 100) - 1;
        tmv.tm_year = static_cast<int>(f[2] % 100000) - 1900;
        haveTime = true;
    } else if (ExtractFromStr(s, "Last=", v) && readPattern(v, "// ::", f) >= 3) {
        tmv.tm_mon = static_cast<int>(f[0] % 100) - 1;
        tmv.tm_mday = static_cast<int>(f[1] % 100);
        uint32_t year = f[2] % 100000;
        if (year < 100)
            year += year >= 39 ? 1900 : 2000;
        tmv.tm_year = static_cast<int>(year) - 1900;
        haveTime = true;
    }
    if (haveTime) {
        // The fields not given stay at 0; a text without any time keeps the old value.
        f.resize(6, 0);
        tmv.tm_hour = static_cast<int>(f[3] % 100);
        tmv.tm_min = static_cast<int>(f[4] % 100);
        tmv.tm_sec = static_cast<int>(f[5] % 100);
        tmv.tm_isdst = -1;
        const time_t t = std::mktime(&tmv);
        if (t != static_cast<time_t>(-1))
            m_tLastAccess = static_cast<int64_t>(t);
    }
    if (ExtractFromStr(s, "Count=", v)) {
        errno = 0;
        const unsigned long long c = std::strtoull(v.c_str(), nullptr, 0);
        m_nCount = c > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                            : static_cast<uint32_t>(c);
    }
    if (ExtractFromStr(s, "MfgSerial=", v))
        m_szMfgSerial = v;
    return 1;
}

int CHostEntry::CompareHostData(const CHostEntry* other, uint16_t order) const
{
    if (!other)
        return 1;
    const uint64_t myTime = static_cast<uint32_t>(m_tLastAccess);
    const uint64_t otherTime = static_cast<uint32_t>(other->m_tLastAccess);
    uint64_t mine[3];
    uint64_t theirs[3];
    if (order == 0) {
        mine[0] = myTime, mine[1] = m_nVersion, mine[2] = m_nCount;
        theirs[0] = otherTime, theirs[1] = other->m_nVersion, theirs[2] = other->m_nCount;
    } else if (order == 1) {
        mine[0] = m_nCount, mine[1] = m_nVersion, mine[2] = myTime;
        theirs[0] = other->m_nCount, theirs[1] = other->m_nVersion, theirs[2] = otherTime;
    } else {
        mine[0] = m_nVersion, mine[1] = myTime, mine[2] = m_nCount;
        theirs[0] = other->m_nVersion, theirs[1] = otherTime, theirs[2] = other->m_nCount;
    }
    for (int i = 0; i < 3; ++i)
        if (const int c = sign(mine[i], theirs[i]))
            return c;
    return 0;
}
