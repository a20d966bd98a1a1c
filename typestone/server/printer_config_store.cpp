// CPrinter: reading and writing the "Printers" section of the settings store.

#include "typestone/server/printer_config.h"

#include "typestone/engine/printer_open_lock.h"
#include "typestone/server/job_header.h"
#include "typestone/server/store_failure.h"

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

void noteFailure(platform::StoreStatus status, std::string* failure)
{
    switch (status) {
    case platform::StoreStatus::Busy:
    case platform::StoreStatus::Corrupt:
    case platform::StoreStatus::IoError:
        if (failure && failure->empty()) {
            *failure = platform::SettingsStore::lastError();
            if (failure->empty())
                *failure = platform::storeStatusText(status);
        }
        break;
    default:
        break;
    }
}

// The readers below tell a value that is missing or does not fit (false, as the configuration
// always treated it) from a store that failed: then `failure` gets the reason (the first one
// when several reads fail) and the caller does not take the answer for the stored state.
bool readText(const std::string& key, const char* name, uint32_t bufferSize, std::string* out,
              std::string* failure)
{
    std::vector<char> buf(bufferSize, 0);
    uint32_t size = bufferSize;
    const platform::StoreStatus status = klv::readRegistryEntry(key.c_str(), name, buf.data(), &size);
    if (status != platform::StoreStatus::Ok) {
        noteFailure(status, failure);
        return false;
    }
    *out = FieldText(buf.data(), bufferSize);
    return true;
}

bool readBinary(const std::string& key, const char* name, uint32_t bufferSize, std::vector<uint8_t>* out,
                std::string* failure)
{
    out->assign(bufferSize, 0);
    uint32_t size = bufferSize;
    const platform::StoreStatus status = klv::readRegistryEntry(key.c_str(), name, out->data(), &size);
    if (status != platform::StoreStatus::Ok) {
        noteFailure(status, failure);
        return false;
    }
    out->resize(size);
    return true;
}

klv::RegistryWrite textEntry(const std::string& key, const char* name, const std::string& text)
{
    return klv::RegistryWrite{key, name, KLV_REG_SZ, std::vector<uint8_t>(text.begin(), text.end())};
}

klv::RegistryWrite binaryEntry(const std::string& key, const char* name, std::vector<uint8_t> bytes)
{
    return klv::RegistryWrite{key, name, KLV_REG_BINARY, std::move(bytes)};
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
    std::string failure;
    return loadRecord(printerName, record, &failure) == LoadResult::Loaded;
}

CPrinter::LoadResult CPrinter::loadRecord(const std::string& printerName, PRTCFG* record,
                                          std::string* failure) const
{
    if (!record)
        return LoadResult::Missing;
    *record = PRTCFG{};
    record->printerName = printerName;
    record->installed = false;
    const LoadResult result = loadPrtCfg(PrintersSection(), record, failure);
    if (result == LoadResult::Loaded)
        rememberGood(*record);
    return result;
}

bool CPrinter::LoadPrtCfg(const std::string& section, PRTCFG* record) const
{
    std::string failure;
    return loadPrtCfg(section, record, &failure) == LoadResult::Loaded;
}

CPrinter::LoadResult CPrinter::loadPrtCfg(const std::string& section, PRTCFG* record,
                                          std::string* failure) const
{
    if (!record || section.empty() || record->printerName.empty())
        return LoadResult::Missing;
    const std::string key = PrinterKey(section, record->printerName);
    const auto missing = [&] { return failure->empty() ? LoadResult::Missing : LoadResult::StoreFailed; };

    std::string shared;
    if (!readText(key, "Shared", kValueBuffer, &shared, failure))
        return missing();
    record->bShared = platform::foldName(shared) == "yes";

    record->SetPassword("");
    std::vector<uint8_t> block;
    if (!readBinary(key, "Password", kValueBuffer, &block, failure))
        return missing();
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
    if (!readText(key, "Name", kValueBuffer, &shareName, failure))
        return missing();
    record->shareName = shareName;

    record->devMode.reset();
    record->devNames.reset();
    const bool devCfg = loadDevCfg(section, record->printerName, record, failure);
    // Settings read from a failing store are not the stored ones, even when the driver's
    // stood in for them.
    if (!failure->empty())
        return LoadResult::StoreFailed;
    if (!devCfg)
        return LoadResult::Missing;
    record->installed = true;
    return LoadResult::Loaded;
}

bool CPrinter::hasStoredRecord(const std::string& printerName, std::string* failure) const
{
    const std::string key = PrinterKey(PrintersSection(), printerName);
    for (const char* name : {"Shared", "Password", "Name"}) {
        uint32_t size = 0;
        const platform::StoreStatus status = klv::readRegistryEntry(key.c_str(), name, nullptr, &size);
        if (status == platform::StoreStatus::Ok)
            return true;
        noteFailure(status, failure);
    }
    return false;
}

bool CPrinter::loadDevCfg(const std::string& section, const std::string& printer, PRTCFG* record,
                          std::string* failure) const
{
    // Read from where SavePrtEntry writes: the key without the name's leading backslashes, so
    // the stored settings of a printer connection are found as well.
    if (loadDevNames(PrinterKey(section, printer), record, failure))
        return true;
    DevMode mode;
    DevNames names;
    if (!DriverSettings(printer, &mode, &names))
        return false;
    record->devMode = std::move(mode);
    record->devNames = std::move(names);
    return true;
}

bool CPrinter::loadDevNames(const std::string& key, PRTCFG* record, std::string* failure) const
{
    record->devMode.reset();
    record->devNames.reset();
    const std::string sub = devCfgKey(key);
    DevNames names;
    std::string flag;
    if (!readText(sub, "wDriver", kDevCfgBuffer, &names.driver, failure) ||
        !readText(sub, "wDevice", kDevCfgBuffer, &names.device, failure) ||
        !readText(sub, "wOutput", kDevCfgBuffer, &names.output, failure) ||
        !readText(sub, "wDefault", kDevCfgBuffer, &flag, failure))
        return false;
    names.isDefault = (std::strtoul(flag.c_str(), nullptr, 10) & 1) != 0;
    DevMode mode;
    if (!loadDevMode(key, names.device, &mode, failure))
        return false;
    record->devMode = std::move(mode);
    record->devNames = std::move(names);
    return true;
}

bool CPrinter::loadDevMode(const std::string& key, const std::string& deviceName, DevMode* devMode,
                           std::string* failure) const
{
    const std::string sub = devCfgKey(key);
    std::string storedName;
    if (!readText(sub, "dmDeviceName", kDevCfgBuffer, &storedName, failure))
        return false;
    std::vector<uint8_t> block;
    if (!readBinary(sub, "NewDevMode", static_cast<uint32_t>(DevMode::kMaxSize), &block, failure))
        return false;
    std::optional<DevMode> mode = DevMode::fromBytes(block.data(), block.size(), nullptr);
    if (!mode)
        return false;
    mode->setDeviceName(deviceName.empty() ? storedName : deviceName);
    *devMode = std::move(*mode);
    return true;
}

void CPrinter::devCfgEntries(const std::string& key, const DevMode& devMode, const DevNames& devNames,
                             std::vector<klv::RegistryWrite>* entries)
{
    const std::string sub = devCfgKey(key);
    entries->push_back(textEntry(sub, "dmDeviceName", devMode.deviceName()));
    entries->push_back(binaryEntry(sub, "NewDevMode", devMode.toBytes()));
    entries->push_back(textEntry(sub, "wDriver", devNames.driver));
    entries->push_back(textEntry(sub, "wDevice", devNames.device));
    entries->push_back(textEntry(sub, "wOutput", devNames.output));
    entries->push_back(textEntry(sub, "wDefault", devNames.isDefault ? "1" : "0"));
}

bool CPrinter::SavePrtCfg(const std::string& key, const DevMode* devMode, const DevNames* devNames) const
{
    if (key.empty() || !devMode || !devNames)
        return false;
    std::vector<klv::RegistryWrite> entries;
    devCfgEntries(key, *devMode, *devNames, &entries);
    const platform::StoreStatus status = klv::writeRegistryEntries(entries);
    if (status != platform::StoreStatus::Ok) {
        ReportStoreFailure("writing the device settings of " + key, platform::SettingsStore::lastError());
        return false;
    }
    return true;
}

bool CPrinter::SavePrtEntry(int* counter, PRTCFG* record) const
{
    if (!record || record->printerName.empty())
        return false;
    // The whole record is one write: a store that fails part-way (a full disk, say) keeps the
    // record it had, or none, and never a half of one that reads as a different verdict.
    std::vector<klv::RegistryWrite> entries;
    recordEntries(counter, record, &entries);
    const platform::StoreStatus status = klv::writeRegistryEntries(entries);
    if (status != platform::StoreStatus::Ok) {
        ReportStoreFailure("writing the configuration of printer '" + record->printerName +
                               "' (the stored one is kept)",
                           platform::SettingsStore::lastError());
        return false;
    }
    if (counter)
        ++*counter;
    rememberGood(*record);
    return true;
}

void CPrinter::recordEntries(const int* counter, PRTCFG* record, std::vector<klv::RegistryWrite>* out) const
{
    std::vector<klv::RegistryWrite>& entries = *out;
    const std::string section = PrintersSection();
    if (counter) {
        const int number = *counter + 1;
        entries.push_back(textEntry(section, "Count", std::to_string(number)));
        entries.push_back(
            textEntry(section, platform::text::sprintf("Name%d", number).c_str(), record->printerName));
    }
    const std::string key = PrinterKey(section, record->printerName);
    entries.push_back(textEntry(key, "Shared", record->bShared ? "Yes" : "No"));

    // The password, its zero, then filler up to 9 bytes, enciphered as one block.
    unsigned char block[sizeof record->password];
    const std::string password = record->Password();
    std::memcpy(block, password.data(), password.size());
    block[password.size()] = 0;
    for (size_t i = password.size() + 1; i < sizeof block; ++i)
        block[i] = static_cast<unsigned char>(std::rand() & 0xFF);
    uint32_t length = sizeof block;
    if (unsigned char* cipher = CGenEncrypter::SimpleEncrypt(block, &length)) {
        entries.push_back(binaryEntry(key, "Password", std::vector<uint8_t>(cipher, cipher + length)));
        std::free(cipher);
    }
    entries.push_back(textEntry(key, "Name", record->shareName));

    if (!record->devNames) {
        DevMode unused;
        DevNames names;
        if (!DriverSettings(record->printerName, &unused, &names))
            names = DevNames{std::string(), record->printerName, std::string(), false};
        record->devNames = names;
    }
    if (record->devMode)
        devCfgEntries(key, *record->devMode, *record->devNames, &entries);
}

void CPrinter::SaveAllPrtCfg()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int counter = 0;
    for (PRTCFG& record : m_list)
        if (!m_unread.count(platform::foldName(record.printerName)))
            SavePrtEntry(&counter, &record);
}

void CPrinter::saveNewRecordsLocked()
{
    // Every new record and the list of names that covers them are one write: a job that is
    // the first to see hundreds of printers waits for one flush to disk, not one per printer,
    // and a store that fails keeps what it had.
    std::vector<std::string> names;
    std::vector<PRTCFG*> fresh;
    std::vector<klv::RegistryWrite> entries;
    for (PRTCFG& record : m_list) {
        if (m_unread.count(platform::foldName(record.printerName)))
            continue;
        names.push_back(record.printerName);
        if (m_new.count(platform::foldName(record.printerName)) && !record.printerName.empty()) {
            recordEntries(nullptr, &record, &entries);
            fresh.push_back(&record);
        }
    }
    if (fresh.empty())
        return;
    const std::string section = PrintersSection();
    entries.push_back(textEntry(section, "Count", std::to_string(names.size())));
    for (size_t i = 0; i < names.size(); ++i)
        entries.push_back(
            textEntry(section, platform::text::sprintf("Name%d", int(i + 1)).c_str(), names[i]));
    if (klv::writeRegistryEntries(entries) != platform::StoreStatus::Ok) {
        ReportStoreFailure(fresh.size() == 1
                               ? "writing the configuration of printer '" + fresh.front()->printerName +
                                     "' (the stored one is kept)"
                               : "writing the configuration of " + std::to_string(fresh.size()) +
                                     " new printers (the stored ones are kept)",
                           platform::SettingsStore::lastError());
        return;
    }
    for (const PRTCFG* record : fresh)
        rememberGood(*record);
}

void CPrinter::rememberGood(const PRTCFG& record) const
{
    std::lock_guard<std::mutex> lock(m_goodMutex);
    m_lastGood[platform::foldName(record.printerName)] = record;
}

std::optional<PRTCFG> CPrinter::lastGood(const std::string& printerName) const
{
    std::lock_guard<std::mutex> lock(m_goodMutex);
    auto it = m_lastGood.find(platform::foldName(printerName));
    if (it == m_lastGood.end())
        return std::nullopt;
    return it->second;
}

bool CPrinter::DriverSettings(const std::string& printerName, DevMode* devMode, DevNames* devNames) const
{
    if (!m_spooler || printerName.empty())
        return false;
    std::unique_ptr<OpenPrinter> printer = OpenPrinter::open(*m_spooler, printerName, nullptr);
    if (!printer)
        return false;
    std::optional<platform::spooler::PrinterDefaults> defaults = printer->defaults(nullptr);
    const platform::spooler::PrinterInfo info = printer->info();
    printer.reset();
    if (!defaults)
        return false;
    if (devMode)
        *devMode = DevMode(printerName, *defaults);
    if (devNames)
        *devNames = DevNames::ForPrinter(info);
    return true;
}

bool CPrinter::GetCurrPrtConfig(const std::string& printerName, DevMode* devMode) const
{
    if (printerName.empty() || !devMode)
        return false;
    std::string failure;
    if (loadDevMode(PrinterKey(PrintersSection(), printerName), printerName, devMode, &failure))
        return true;
    if (!failure.empty()) {
        ReportStoreFailure("reading the device settings of printer '" + printerName + "'", failure);
        if (std::optional<PRTCFG> last = lastGood(printerName); last && last->devMode) {
            *devMode = *last->devMode;
            return true;
        }
    }
    return DriverSettings(printerName, devMode, nullptr);
}

} // namespace typestone
