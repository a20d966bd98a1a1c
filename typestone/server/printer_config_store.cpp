// CPrinter: reading and writing the "Printers" section of the settings store.

#include "typestone/server/printer_config.h"

#include "typestone/server/job_header.h"

#include "klv_inet/support/gen_encrypter.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include "platform/settings/settings_store.h"
#include "platform/spooler/spooler.h"
#include "platform/text/sprintf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace typestone {
namespace {

constexpr uint32_t kValueBuffer = 256;  // "Count", names, "Shared", "Password", "Name"
constexpr uint32_t kDevCfgBuffer = 300; // the DevCfg texts

bool readText(const std::string& key, const char* name, uint32_t bufferSize, std::string* out)
{
    std::vector<char> buf(bufferSize, 0);
    uint32_t size = bufferSize;
    if (!GetRegistryEntry(key.c_str(), name, buf.data(), &size))
        return false;
    *out = FieldText(buf.data(), bufferSize);
    return true;
}

bool readBinary(const std::string& key, const char* name, uint32_t bufferSize, std::vector<uint8_t>* out)
{
    out->assign(bufferSize, 0);
    uint32_t size = bufferSize;
    if (!GetRegistryEntry(key.c_str(), name, out->data(), &size))
        return false;
    out->resize(size);
    return true;
}

void writeText(const std::string& key, const char* name, const std::string& text)
{
    SetRegistryEntry(key.c_str(), name, text.c_str(), static_cast<uint32_t>(text.size() + 1), KLV_REG_SZ);
}

std::string devCfgKey(const std::string& key)
{
    return key + (key.empty() || key.back() != '\\' ? "\\" : "") + "DevCfg";
}

} // namespace

std::string CPrinter::PrintersSection()
{
    std::string section;
    FormSection(section, "Printers");
    return section;
}

std::string CPrinter::PrinterKey(const std::string& section, const std::string& printerName)
{
    size_t skip = 0;
    while (skip < printerName.size() && printerName[skip] == '\\')
        ++skip;
    std::string key = section;
    if (key.empty() || key.back() != '\\')
        key += '\\';
    return key + printerName.substr(skip);
}

bool CPrinter::GetPrtCfg(const std::string& printerName, PRTCFG* record) const
{
    if (!record)
        return false;
    *record = PRTCFG{};
    record->printerName = printerName;
    record->installed = false;
    return LoadPrtCfg(PrintersSection(), record);
}

bool CPrinter::LoadPrtCfg(const std::string& section, PRTCFG* record) const
{
    if (!record || section.empty() || record->printerName.empty())
        return false;
    const std::string key = PrinterKey(section, record->printerName);

    std::string shared;
    if (!readText(key, "Shared", kValueBuffer, &shared))
        return false;
    record->bShared = platform::foldName(shared) == "yes";

    record->SetPassword("");
    std::vector<uint8_t> block;
    if (!readBinary(key, "Password", kValueBuffer, &block))
        return false;
    if (!block.empty()) {
        uint32_t length = 0;
        unsigned char* plain = CGenEncrypter::SimpleDecrypt(block.data(), block.size(), &length);
        if (plain) {
            // The block holds the password, its zero and filler; never more than 8 characters.
            const size_t n = strnlen(reinterpret_cast<const char*>(plain), std::min<size_t>(length, 8));
            record->SetPassword(std::string(reinterpret_cast<const char*>(plain), n));
            std::free(plain);
        } else {
            // A block that does not decipher is damaged or forged: whatever password it held,
            // the printer must not be offered to the hosts without one.
            record->bShared = false;
        }
    }

    std::string shareName;
    if (!readText(key, "Name", kValueBuffer, &shareName))
        return false;
    record->shareName = shareName;

    record->devMode.reset();
    record->devNames.reset();
    if (!loadDevCfg(section, record->printerName, record))
        return false;
    record->installed = true;
    return true;
}

bool CPrinter::hasStoredRecord(const std::string& printerName) const
{
    const std::string key = PrinterKey(PrintersSection(), printerName);
    for (const char* name : {"Shared", "Password", "Name"}) {
        uint32_t size = 0;
        if (GetRegistryEntry(key.c_str(), name, nullptr, &size))
            return true;
    }
    return false;
}

bool CPrinter::loadDevCfg(const std::string& section, const std::string& printer, PRTCFG* record) const
{
    // Read from where SavePrtEntry writes: the key without the name's leading backslashes, so
    // the stored settings of a printer connection are found as well.
    if (loadDevNames(PrinterKey(section, printer), record))
        return true;
    DevMode mode;
    DevNames names;
    if (!DriverSettings(printer, &mode, &names))
        return false;
    record->devMode = std::move(mode);
    record->devNames = std::move(names);
    return true;
}

bool CPrinter::loadDevNames(const std::string& key, PRTCFG* record) const
{
    record->devMode.reset();
    record->devNames.reset();
    const std::string sub = devCfgKey(key);
    DevNames names;
    std::string flag;
    if (!readText(sub, "wDriver", kDevCfgBuffer, &names.driver) ||
        !readText(sub, "wDevice", kDevCfgBuffer, &names.device) ||
        !readText(sub, "wOutput", kDevCfgBuffer, &names.output) ||
        !readText(sub, "wDefault", kDevCfgBuffer, &flag))
        return false;
    names.isDefault = (std::strtoul(flag.c_str(), nullptr, 10) & 1) != 0;
    DevMode mode;
    if (!loadDevMode(key, names.device, &mode))
        return false;
    record->devMode = std::move(mode);
    record->devNames = std::move(names);
    return true;
}

bool CPrinter::loadDevMode(const std::string& key, const std::string& deviceName, DevMode* devMode) const
{
    const std::string sub = devCfgKey(key);
    std::string storedName;
    if (!readText(sub, "dmDeviceName", kDevCfgBuffer, &storedName))
        return false;
    std::vector<uint8_t> block;
    if (!readBinary(sub, "NewDevMode", static_cast<uint32_t>(DevMode::kMaxSize), &block))
        return false;
    std::optional<DevMode> mode = DevMode::fromBytes(block.data(), block.size(), nullptr);
    if (!mode)
        return false;
    mode->setDeviceName(deviceName.empty() ? storedName : deviceName);
    *devMode = std::move(*mode);
    return true;
}

bool CPrinter::SavePrtCfg(const std::string& key, const DevMode* devMode, const DevNames* devNames) const
{
    if (key.empty() || !devMode || !devNames)
        return false;
    const std::string sub = devCfgKey(key);
    writeText(sub, "dmDeviceName", devMode->deviceName());
    const std::vector<uint8_t> block = devMode->toBytes();
    SetRegistryEntry(sub.c_str(), "NewDevMode", block.data(), static_cast<uint32_t>(block.size()),
                     KLV_REG_BINARY);
    writeText(sub, "wDriver", devNames->driver);
    writeText(sub, "wDevice", devNames->device);
    writeText(sub, "wOutput", devNames->output);
    writeText(sub, "wDefault", devNames->isDefault ? "1" : "0");
    return true;
}

bool CPrinter::SavePrtEntry(int* counter, PRTCFG* record) const
{
    if (!record || record->printerName.empty())
        return false;
    const std::string section = PrintersSection();
    if (counter) {
        ++*counter;
        const std::string name = platform::text::sprintf("Name%d", *counter);
        writeText(section, "Count", std::to_string(*counter));
        writeText(section, name.c_str(), record->printerName);
    }
    const std::string key = PrinterKey(section, record->printerName);
    writeText(key, "Shared", record->bShared ? "Yes" : "No");

    // The password, its zero, then filler up to 9 bytes, enciphered as one block.
    unsigned char block[sizeof record->password];
    const std::string password = record->Password();
    std::memcpy(block, password.data(), password.size());
    block[password.size()] = 0;
    for (size_t i = password.size() + 1; i < sizeof block; ++i)
        block[i] = static_cast<unsigned char>(std::rand() & 0xFF);
    uint32_t length = sizeof block;
    if (unsigned char* cipher = CGenEncrypter::SimpleEncrypt(block, &length)) {
        SetRegistryEntry(key.c_str(), "Password", cipher, length, KLV_REG_BINARY);
        std::free(cipher);
    }
    writeText(key, "Name", record->shareName);

    if (!record->devNames) {
        DevMode unused;
        DevNames names;
        if (!DriverSettings(record->printerName, &unused, &names))
            names = DevNames{std::string(), record->printerName, std::string(), false};
        record->devNames = names;
    }
    SavePrtCfg(key, record->devMode ? &*record->devMode : nullptr, &*record->devNames);
    return true;
}

void CPrinter::SaveAllPrtCfg()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int counter = 0;
    for (PRTCFG& record : m_list)
        SavePrtEntry(&counter, &record);
}

bool CPrinter::DriverSettings(const std::string& printerName, DevMode* devMode, DevNames* devNames) const
{
    if (!m_spooler || printerName.empty())
        return false;
    std::optional<platform::spooler::PrinterInfo> info = m_spooler->printer(printerName);
    if (!info)
        return false;
    std::optional<platform::spooler::PrinterDefaults> defaults = m_spooler->defaults(printerName, nullptr);
    if (!defaults)
        return false;
    if (devMode)
        *devMode = DevMode(printerName, *defaults);
    if (devNames)
        *devNames = DevNames::ForPrinter(*info);
    return true;
}

bool CPrinter::GetCurrPrtConfig(const std::string& printerName, DevMode* devMode) const
{
    if (printerName.empty() || !devMode)
        return false;
    if (loadDevMode(PrinterKey(PrintersSection(), printerName), printerName, devMode))
        return true;
    return DriverSettings(printerName, devMode, nullptr);
}

} // namespace typestone
