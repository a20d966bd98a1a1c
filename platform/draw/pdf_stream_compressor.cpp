#include "platform/draw/pdf_stream_compressor.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace platform::draw {

PdfStreamCompressor::PdfStreamCompressor(int threads, int maxInFlight, int level)
    : m_maxInFlight(std::max(1, maxInFlight)), m_level(std::clamp(level, 0, 9))
{
    const int count = std::clamp(threads, 1, 8);
    m_threads.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        m_threads.emplace_back([this] { work(); });
    }
}

PdfStreamCompressor::~PdfStreamCompressor()
{
    discard();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

std::string PdfStreamCompressor::deflate(const std::string& data, int level)
{
    z_stream stream{};
    if (deflateInit(&stream, std::clamp(level, 0, 9)) != Z_OK) {
        return {};
    }
    std::string out;
    out.resize(deflateBound(&stream, static_cast<uLong>(data.size())));
    // zlib's counts are 32 bits: feed and drain in pieces it can count.
    size_t in = 0;
    size_t produced = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        const size_t inChunk = std::min<size_t>(data.size() - in, UINT_MAX);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + in));
        stream.avail_in = static_cast<uInt>(inChunk);
        if (produced == out.size()) {
            out.resize(out.size() * 2 + 64);
        }
        const size_t outChunk = std::min<size_t>(out.size() - produced, UINT_MAX);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        stream.avail_out = static_cast<uInt>(outChunk);
        const bool last = in + inChunk == data.size();
        status = ::deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
        if (status == Z_STREAM_ERROR) {
            deflateEnd(&stream);
            return {};
        }
        in += inChunk - stream.avail_in;
        produced += outChunk - stream.avail_out;
    }
    deflateEnd(&stream);
    out.resize(produced);
    return out;
}

bool PdfStreamCompressor::submit(std::string data)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped) {
            return false;
        }
        m_jobs.push_back(Job{std::move(data), {}, false, false});
    }
    m_workReady.notify_one();
    return true;
}

std::optional<std::string> PdfStreamCompressor::take(bool wait)
{
    std::unique_lock lock(m_mutex);
    if (wait) {
        m_jobDone.wait(lock, [this] { return m_stopped || m_jobs.empty() || m_jobs.front().done; });
    }
    if (m_stopped || m_jobs.empty() || !m_jobs.front().done) {
        return std::nullopt;
    }
    std::string out = std::move(m_jobs.front().output);
    m_jobs.pop_front();
    return out;
}

int PdfStreamCompressor::pending() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_jobs.size());
}

void PdfStreamCompressor::discard()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_jobs.clear();
    }
    m_workReady.notify_all();
    m_jobDone.notify_all();
}

void PdfStreamCompressor::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        Job* job = nullptr;
        m_workReady.wait(lock, [&] {
            if (m_stopped) {
                return true;
            }
            const auto it =
                std::find_if(m_jobs.begin(), m_jobs.end(), [](const Job& j) { return !j.started; });
            job = it == m_jobs.end() ? nullptr : &*it;
            return job != nullptr;
        });
        if (m_stopped) {
            return;
        }
        job->started = true;
        // A deque keeps its elements in place while others are added at the back, and this
        // one is not taken from the front before it is done. Only discard() removes it, and
        // after that the compressor never runs a job again.
        std::string input = std::move(job->input);
        lock.unlock();
        std::string output = deflate(input, m_level);
        lock.lock();
        if (m_stopped) {
            return;
        }
        job->output = std::move(output);
        job->done = true;
        m_jobDone.notify_all();
    }
}

} // namespace platform::draw
