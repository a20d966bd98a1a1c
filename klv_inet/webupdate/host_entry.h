#pragma once
// One connection of a client program to a host system (TCP/IP, serial port or dial-up) and
// what the client knows of that host, with its name and data texts in a stored form
// (key=value, readable back) and a display form.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <string>

class KLV_EXPORT CHostEntry
{
public:
    CHostEntry();
    // A copy of `other`, or the default set-up when it is null.
    explicit CHostEntry(const CHostEntry* other);
    virtual ~CHostEntry();
    CHostEntry(const CHostEntry&) = default;
    CHostEntry& operator=(const CHostEntry&) = default;

    void DlftSetup();

    // The name text ("C:\NAME=..., IP=..., PORT=..." and its siblings; display 1: "NAME (...)")
    // stored in *out and returned; null when out is null.
    const char* FormatHostName(std::string* out, int display) const;
    // The data text ("Ver=%u.%02u, LastAccess=..., Count=..., MfgSerial=...").
    const char* FormatHostData(std::string* out, int display) const;

    // Read the stored forms back; keys that are absent leave their members. 0 for an empty text.
    int SetHostFromName(const char* text);
    int SetHostFromData(const char* text);

    // Order 0 (last used): last access, version, count; 1 (most used): count, version, last
    // access; any other (highest version): version, last access, count. A null other is 1.
    int CompareHostData(const CHostEntry* other, uint16_t order) const;

    bool isDialUp() const { return m_bDialUp != 0; }
    bool isSerial() const { return !isDialUp() && m_nComPort != 0; }

    std::string m_szAccount;
    std::string m_szURL;
    std::string m_szName;
    std::string m_szAddress; // IP address, or the phone number of a dial-up host
    uint16_t m_nPort = 0;
    int m_bDialUp = 0;
    uint16_t m_nComPort = 0;
    std::string m_szPhoneBook;
    std::string m_szDevice;
    uint16_t m_nVersion = 0; // hundredths
    int64_t m_tLastAccess = 0;
    uint32_t m_nCount = 0;
    std::string m_szMfgSerial;
};
