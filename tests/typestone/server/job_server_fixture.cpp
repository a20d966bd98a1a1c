#include "job_server_fixture.h"

#include "typestone/server/server_trace.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/trace_writer.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"

#include <chrono>
#include <filesystem>
#include <thread>

using namespace platform::net;

namespace jobtest {

void JobServerFixture::SetUp()
{
    env.addPrinter("Laser");
    env.addPrinter("Other");
    env.addPrinter("Locked");
    env.addPrinter("Private");
    env.addPrinter("Broken");
    spooler = std::make_unique<ScriptedSpooler>(env.folder());
    spooler->failStart = {"Broken"};
    printers = std::make_unique<typestone::CPrinter>(spooler.get());
    configure("Locked", true, "pw");
    configure("Private", false, "");
    jobs = std::make_unique<typestone::JobSequencer>();
    jobs->StartPrtJobSequencer();
    context = std::make_unique<typestone::JobContext>(*spooler, *printers, *jobs);
    context->auxPort = 0;
    server = std::make_unique<typestone::CASTCPTypestone>(*context);
    std::string error;
    ASSERT_TRUE(server->Listen(kLoopbackAddress, 0, &error)) << error;
    port = server->Port();
    ASSERT_TRUE(server->Start());
}

void JobServerFixture::TearDown()
{
    if (server)
        server->Stop();
    server.reset();
    if (jobs)
        jobs->StopPrtJobSequencer();
    context.reset();
    jobs.reset();
    printers.reset();
    spooler.reset();
    typestone::TraceSettings::setJobLogging(false);
    typestone::TraceSettings::setTracerOn(false);
    typestone::TraceSettings::setTrzLevel(0);
}

void JobServerFixture::logAndTrace()
{
    typestone::TraceWriter::startRun();
    typestone::TraceSettings::setTrzLevel(typestone::kTrzCore);
    typestone::TraceSettings::setTracerOn(true);
    typestone::TraceSettings::setJobLogging(true);
}

bool waitFileSize(const std::string& dir, const std::string& suffix, size_t size)
{
    namespace fs = std::filesystem;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < limit) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir, ec))
            if (entry.path().filename().string().ends_with(suffix) && entry.is_regular_file(ec) &&
                fs::file_size(entry.path(), ec) == size)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void JobServerFixture::configure(const std::string& printer, bool shared, const std::string& password)
{
    typestone::PRTCFG record;
    record.printerName = printer;
    record.bShared = shared;
    record.SetPassword(password);
    record.devMode = typestone::DevMode(printer, {});
    ASSERT_TRUE(printers->SavePrtEntry(nullptr, &record));
}

std::vector<uint8_t> JobServerFixture::header(const std::string& printer, const std::string& password) const
{
    valdor::JobRequest request;
    request.printer = printer;
    request.password = password;
    request.options = valdor::kOptionRaw;
    return valdor::buildHeader(request);
}

bool StepHost::connectAndSend(uint16_t port, const std::vector<uint8_t>& header)
{
    SocketResult c = connectTcp(kLoopbackAddress, port, 5000);
    if (!c.ok())
        return false;
    control = std::move(c.socket);
    return sendAll(control, header.data(), header.size(), 5000).ok();
}

bool StepHost::readReply(int timeoutMs)
{
    uint8_t reply[4];
    size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got < sizeof reply) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        IoResult r = receiveSome(control, reply + got, sizeof reply - got, static_cast<int>(left.count()));
        if (!r.ok())
            return false;
        got += r.bytes;
    }
    code = static_cast<uint16_t>(reply[0] | (reply[1] << 8));
    dataPort = static_cast<uint16_t>(reply[2] | (reply[3] << 8));
    return true;
}

bool StepHost::openData()
{
    SocketResult d = connectTcp(kLoopbackAddress, dataPort, 5000);
    if (!d.ok())
        return false;
    data = std::move(d.socket);
    return true;
}

bool StepHost::send(const std::string& bytes)
{
    return sendAll(control, bytes.data(), bytes.size(), 5000).ok();
}

IoResult StepHost::waitServerEnd(int timeoutMs)
{
    uint8_t byte;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            IoResult timedOut;
            timedOut.status = IoStatus::TimedOut;
            return timedOut;
        }
        IoResult r = receiveSome(control, &byte, 1, static_cast<int>(left.count()));
        if (r.status != IoStatus::Ok)
            return r;
    }
}

bool StepHost::waitServerClose(int timeoutMs)
{
    const IoStatus status = waitServerEnd(timeoutMs).status;
    return status == IoStatus::PeerClosed || status == IoStatus::Failed;
}

bool StepHost::waitServerReset(int timeoutMs)
{
    const IoResult r = waitServerEnd(timeoutMs);
    return r.status == IoStatus::Failed && r.error.code == wsa::ConnectionReset;
}

bool StepHost::finish(int timeoutMs)
{
    shutdownSend(control);
    data.close();
    return waitServerClose(timeoutMs);
}

} // namespace jobtest
