// Every UDP datagram command through the server's dispatcher, with the real shared-printer
// configuration over a folder spooler and a settings store of the target's own. The first
// input byte chooses the sender (bit 0: this machine, else another one); the rest is the
// datagram. Properties: a reply has its command's size and repeats the command and sequence;
// a control command from another machine does nothing; a registry write that is reported done
// lies in the program's own settings.

#include "tests/fuzz/fuzz_env.h"
#include "tests/fuzz/fuzz_target.h"

#include "typestone/server/astcp_thread.h"
#include "typestone/server/printer_config.h"
#include "typestone/server/status_messages.h"
#include "typestone/server/udp_actions.h"
#include "typestone/server/udp_server.h"

#include "klv_inet/support/text_compare.h"
#include "platform/spooler/folder_spooler.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>

using namespace typestone;

namespace {

// The service's side of the datagrams: printers from the configuration, control actions counted.
class Actions : public UdpActions
{
public:
    explicit Actions(CPrinter& printers) : m_printers(printers) {}
    bool IsServiceMode() const override { return true; }
    // A sender on this machine stands for TypestoneUI: its socket's owner is not looked up.
    bool MayControl(const platform::net::Endpoint&) override { return true; }
    uint16_t ListPrinters(char* buffer, size_t size, size_t* used) override
    {
        return m_printers.RefreshPrinters(buffer, size, used, false);
    }
    uint16_t CheckPrinter(const std::string& printer, const std::string& password) override
    {
        uint16_t code = 0;
        CASTCPThread::ChkPrinter(m_printers, printer, password.c_str(), &code);
        return code;
    }
    void PostControl(uint16_t) override { ++controls; }
    bool GetAutoStart() override
    {
        ++controls;
        return autoStart;
    }
    void SetAutoStart(bool on) override
    {
        ++controls;
        autoStart = on;
    }
    void ToggleTracer() override { ++controls; }
    void ToggleTiming() override { ++controls; }

    int controls = 0;
    bool autoStart = false;

private:
    CPrinter& m_printers;
};

struct Server
{
    std::string store = fuzz::scratchFolder() + "/udp.sqlite";
    std::unique_ptr<platform::spooler::FolderSpooler> spooler;
    std::unique_ptr<CPrinter> printers;
    std::unique_ptr<Actions> actions;
    std::unique_ptr<CASUDPTypestone> udp;
    unsigned inputs = 0;

    Server()
    {
        spooler = platform::spooler::FolderSpooler::open(fuzz::scratchFolder() + "/spool", nullptr);
        if (!spooler)
            std::abort();
        spooler->addPrinter("Printer1", nullptr);
        spooler->addPrinter("Office", nullptr);
        printers = std::make_unique<CPrinter>(spooler.get());
        actions = std::make_unique<Actions>(*printers);
        udp = std::make_unique<CASUDPTypestone>(*actions);
        configure();
    }

    // One printer shared with a password, the other as it is found.
    void configure()
    {
        fuzz::useStore(store);
        printers->RefreshPrinters(nullptr, 0, nullptr, false);
        if (auto office = printers->FindPrtCfg("Office")) {
            office->bShared = true;
            office->shareName = "OFFICE";
            office->SetPassword("pw");
            printers->ReplacePrtCfg(*office);
        }
        printers->SaveAllPrtCfg();
    }

    // The datagrams' registry writes pile up in the store; it starts afresh now and then.
    void prepare()
    {
        fuzz::useStore(store);
        struct stat st
        {
        };
        if (++inputs % 256 == 0 && ::stat(store.c_str(), &st) == 0 && st.st_size > 8 * 1024 * 1024) {
            fuzz::dropStore(store);
            configure();
        }
    }
};

uint16_t word(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

size_t replySize(uint16_t command)
{
    switch (command) {
    case CMD_WHO:
        return CASUDPTypestone::kWhoReplySize;
    case CMD_PRTLIST:
        return CASUDPTypestone::kListReplySize;
    case CMD_CHKPRINTER:
        return 8;
    case CMD_GETAUTOSTART:
    case CMD_SETREGISTRYENTRY:
        return 10;
    default:
        return 0;
    }
}

std::string sectionOf(const uint8_t* datagram, size_t size)
{
    std::string s;
    for (size_t i = 6; i < std::min<size_t>(size, 6 + 128) && datagram[i] != 0; ++i)
        s += static_cast<char>(datagram[i]);
    return s;
}

} // namespace

FUZZ_TARGET(udp_datagram)
{
    static Server server;
    if (size < 1)
        return 0;
    server.prepare();
    const bool local = (data[0] & 1) != 0;
    const platform::net::Endpoint from{local ? "127.0.0.1" : "192.0.2.7", 3340};
    const uint8_t* datagram = data + 1;
    const size_t length = size - 1;

    const int controlsBefore = server.actions->controls;
    const std::vector<uint8_t> reply = server.udp->Dispatch(datagram, length, from);
    if (length < 6) {
        FUZZ_CHECK(reply.empty());
        return 0;
    }
    const uint16_t command = word(datagram);
    if (CASUDPTypestone::IsControlCommand(command) && !local) {
        FUZZ_CHECK(reply.empty());
        FUZZ_CHECK(server.actions->controls == controlsBefore);
        return 0;
    }
    if (reply.empty())
        return 0;
    FUZZ_CHECK(reply.size() == replySize(command));
    FUZZ_CHECK(word(reply.data()) == command);
    FUZZ_CHECK(word(reply.data() + 2) == word(datagram + 2));
    if (command == CMD_CHKPRINTER) {
        const uint16_t code = word(reply.data() + 6);
        FUZZ_CHECK(code == kReplyAccepted || code == kReplyNotShared || code == kReplyBadPassword);
    }
    if (command == CMD_PRTLIST)
        FUZZ_CHECK(word(reply.data() + 4) <= CASUDPTypestone::kListNameBytes + 2);
    if (command == CMD_SETREGISTRYENTRY && reply[6] == 1) {
        const std::string section = sectionOf(datagram, length);
        FUZZ_CHECK(section.find("..") == std::string::npos);
        FUZZ_CHECK(klv::startsWithNoCase(section, ".DEFAULT\\Software\\KLV\\Typestone") ||
                   klv::startsWithNoCase(section, "Software\\KLV\\Typestone"));
    }
    return 0;
}
