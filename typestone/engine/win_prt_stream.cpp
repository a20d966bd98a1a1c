// The byte-level half of CWinPrt: classifying bytes, buffering text, framing escape blocks and
// running them.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/win_prt.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace typestone {

namespace {

constexpr uint8_t kByteCR = 0x0D;

using platform::text::sprintf;

std::string headerDump(const EscHeader& h, const std::string& description)
{
    std::string s = sprintf("\nwHdr=0x%04x", h.wHdr);
    s += description;
    s += sprintf("\nwVersion=%u (0x%04x)- Supported=%u (0x%04x)", h.wVersion, h.wVersion,
                 kEscSupportedVersion, kEscSupportedVersion);
    s += sprintf("\ndwLen=%u (0x%08x)", h.dwLen, h.dwLen);
    s += sprintf("\nwChk=0x%04x", h.wChk);
    return s;
}

} // namespace

bool CWinPrt::ensureTextRoom(size_t count)
{
    if (m_framer.m_pCache.size() >= count)
        return true;
    try {
        m_framer.m_pCache.resize(std::max(count, m_framer.m_pCache.size() * 2));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CWinPrt::storeText(uint8_t byte)
{
    // A handler that feeds bytes back may fill the buffer past what PrintData made room for.
    if (m_framer.m_ixCache >= m_framer.m_pCache.size() &&
        !ensureTextRoom(std::max<size_t>(m_framer.m_ixCache + 1, 1024))) {
        showError("CWinPrt::PutByte(): no memory for text");
        m_stop.abort = true;
        return;
    }
    m_framer.m_pCache[m_framer.m_ixCache++] = static_cast<char>(byte);
}

bool CWinPrt::PrintData(const void* bytes, size_t count, bool parseEscapes)
{
    if (m_framer.m_ixCache > 0)
        FlushData();
    if (!ensureTextRoom(count))
        return false;
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = p[i];
        if (m_pageState == PageState::PagePending)
            StartPage();
        if (IsAborted())
            break;
        bool taken = false;
        if (parseEscapes) {
            reportProgress(1);
            taken = Func4EscData(b);
        }
        if (!taken)
            PutByte(b);
        if (m_cursor.m_bSkipDown && b != kByteCR)
            m_cursor.m_bSkipDown = false;
    }
    FlushData();
    return true;
}

void CWinPrt::PutByte(uint8_t byte)
{
    // Bytes a running command feeds back belong to that command's own action.
    if (m_executing == 0 && IsRecording()) {
        recordByte(byte);
        if (m_pageActions.RecordOnly())
            return;
    }
    if (m_framer.m_bLiteralNext) {
        m_framer.m_bLiteralNext = false;
        m_printLog.text(byte, m_nPages, IsPlaying4Page());
        storeText(byte);
        return;
    }
    const uint16_t entry = m_wTransTbl[byte];
    if (entry & 0x8000) {
        const size_t row = (entry >> 8) & 0x1F;
        if (m_printLog.isOn())
            logged(m_printLog.control(byte, row < kControlRows ? m_table->controls[row].name : nullptr));
        FlushData();
        if (row < kControlRows) {
            const CtlSlot& slot = m_table->controls[row];
            if (slot.action && !slot.action(*this))
                m_stop.abort = true;
        }
        return;
    }
    m_printLog.text(byte, m_nPages, IsPlaying4Page());
    storeText(byte);
}

bool CWinPrt::Func4EscData(uint8_t byte)
{
    if (m_framer.m_nHdrPos < 2) {
        if (byte == kEscMagicByte) {
            FlushData();
            m_framer.m_szDataSeq[m_framer.m_nHdrPos++] = byte;
            return true;
        }
        if (m_framer.m_nHdrPos > 0)
            Discarding();
        return false;
    }
    if (m_framer.m_nHdrPos < kEscHeaderSize) {
        m_framer.m_szDataSeq[m_framer.m_nHdrPos++] = byte;
        if (m_framer.m_nHdrPos < kEscHeaderSize)
            return true;
        const uint16_t x = EscHeader::xorOfWords(m_framer.m_szDataSeq);
        const EscHeader h = EscHeader::decode(m_framer.m_szDataSeq);
        if (x != 0) {
            if (m_host->TraceOn(kTrzJobs)) {
                std::string desc;
                FormCmd(&h, &desc, m_nPages, nullptr, 0, false, IsPlaying4Page());
                m_host->TraceText(sprintf("--> Chk ERROR: computed wChk=0x%04x", x));
                m_host->TraceHexDump("m_szDataSeq", m_framer.m_szDataSeq, kEscHeaderSize);
                m_host->TraceText(headerDump(h, desc));
            }
            // This byte is part of the header just given back: it is not offered again.
            Discarding();
            return true;
        }
        if (h.dwLen > kEscMaxParamLen) {
            Trace(kTrzJobs, "--> dwLen=%u exceeds %u: broken header", h.dwLen, kEscMaxParamLen);
            Discarding();
            return true;
        }
        m_framer.m_params.clear();
        m_framer.m_nParamCount = 0;
        if (h.dwLen == 0)
            ExecCmd(m_framer.m_szDataSeq);
        return true;
    }
    m_framer.m_params.push_back(byte);
    ++m_framer.m_nParamCount;
    if (m_framer.m_nParamCount >= EscHeader::decode(m_framer.m_szDataSeq).dwLen)
        ExecCmd(m_framer.m_szDataSeq);
    return true;
}

void CWinPrt::Discarding()
{
    if (m_framer.m_nHdrPos == 0)
        return;
    // A local copy: the bytes fed back below may open a block of their own in m_szDataSeq.
    std::array<uint8_t, kEscHeaderSize> scratch{};
    const size_t n = m_framer.m_nHdrPos;
    std::memcpy(scratch.data(), m_framer.m_szDataSeq, n);
    m_framer.m_nHdrPos = 0;
    Trace(kTrzJobs, "\nCWinPrt::Discarding ----> 0x%02x (%c)", scratch[0],
          scratch[0] < 0x20 ? '.' : scratch[0]);
    Trace(kTrzJobs, " - buffered %u cars<<<-----", static_cast<unsigned>(n));
    PutByte(scratch[0]);
    if (n > 1) {
        // Only the first byte's progress was counted by the loop; the others were too.
        const auto saved = m_progress.save();
        PrintData(scratch.data() + 1, n - 1, true);
        m_progress.restore(saved);
    }
}

void CWinPrt::EndOfStream()
{
    if (m_framer.m_nHdrPos == 0)
        return;
    if (m_framer.m_nHdrPos < kEscHeaderSize) {
        // The bytes given back may open a shorter header of their own ("FD FD FD"), which the
        // stream no longer completes: give back until none is left open. Each round holds
        // fewer bytes than the one before, so the loop ends.
        while (m_framer.m_nHdrPos > 0 && m_framer.m_nHdrPos < kEscHeaderSize)
            Discarding();
        FlushData();
        return;
    }
    const EscHeader h = EscHeader::decode(m_framer.m_szDataSeq);
    Trace(kTrzJobs, "\nCWinPrt::EndOfStream: command %u cut short, %u of %u parameter bytes - dropped",
          h.wCmd, m_framer.m_nParamCount, h.dwLen);
    m_framer.m_nHdrPos = 0;
    m_framer.m_nParamCount = 0;
    m_framer.m_params.clear();
}

bool CWinPrt::FormCmd(const EscHeader* header, std::string* text, unsigned page, const uint8_t* params,
                      uint32_t paramLen, bool withParams, bool playing) const
{
    if (header == nullptr || text == nullptr)
        return false;
    const bool valid = header->wCmd < kEscCommandSlots && m_table->commands[header->wCmd].handler &&
                       header->wVersion <= kEscSupportedVersion;
    std::string name;
    if (valid)
        name = m_table->commands[header->wCmd].name;
    else if (!m_host->StringText(425, &name))
        name = "Unknown";
    *text = sprintf("Page #%u: Command #%u (0x%04x) -> %s", page, header->wCmd, header->wCmd, name);
    if (playing)
        *text += " - Playing for Page <<<<<<";
    if (withParams && params != nullptr && valid) {
        // The block was padded to the command's minimum, so its description may read that far.
        const CmdSlot& slot = m_table->commands[header->wCmd];
        const EscBlock block{*header, params, paramLen, std::max(paramLen, slot.minLen) + 1};
        *text += "\nData\n";
        if (slot.describe)
            *text += slot.describe(block);
    }
    return valid;
}

bool CWinPrt::ExecCmd(const uint8_t* header)
{
    if (!IsPlaying4Page())
        FlushData();

    const EscHeader h = EscHeader::decode(header);
    const bool known = h.wCmd < kEscCommandSlots && m_table->commands[h.wCmd].handler;
    const uint32_t minLen = known ? m_table->commands[h.wCmd].minLen : 0;

    // The block is the handler's own: a handler that feeds bytes back may frame blocks of its
    // own in m_params and m_szDataSeq. Padded to the minimum plus a terminating zero.
    std::vector<uint8_t> params;
    params.swap(m_framer.m_params);
    const uint32_t length = m_framer.m_nParamCount;
    params.resize(std::max(length, minLen) + 1, 0);
    m_framer.m_nHdrPos = 0;
    m_framer.m_nParamCount = 0;

    std::string desc;
    const bool valid = FormCmd(&h, &desc, m_nPages, params.data(), length, false, IsPlaying4Page());
    if (m_printLog.isOn()) {
        std::string full;
        FormCmd(&h, &full, m_nPages, params.data(), length, true, IsPlaying4Page());
        logged(m_printLog.command(full));
    }

    if (m_host->ExtendedDebug() && m_host->TraceOn(kTrzJobs)) {
        m_host->TraceText(sprintf("\nExecCmd # %u (0x%04x)", h.wCmd, h.wCmd));
        m_host->TraceHexDump("Header", header, kEscHeaderSize);
        if (length <= 100 || m_host->TraceOn(kTrzDumps))
            m_host->TraceHexDump("Data", params.data(), length);
        else
            m_host->TraceText(sprintf("Data ->%u cars (EXTRA_INFO for binary dump here!!)", length));
    }

    bool result = false;
    if (!valid) {
        showUnsupported(desc, h.wVersion);
        logged(m_printLog.error(desc));
    } else {
        const CmdSlot& slot = m_table->commands[h.wCmd];
        // The action is made before the handler runs: a handler that feeds bytes back may
        // frame blocks of its own over the header.
        std::unique_ptr<CPageAction> action;
        const bool recording = IsRecording();
        if (recording && (slot.flags & kCmdRecorded))
            action =
                std::make_unique<CPageAction>(*m_pageActions.CurrentRange(), header, params.data(), length);
        // Stored only: kept without running. One the bound refuses runs where it is, as the
        // text past the bound prints where it is.
        bool stored = false;
        if (recording && m_pageActions.RecordOnly() && (slot.flags & kCmdRecordOnly)) {
            stored = !action || m_pageActions.Record(std::move(action));
            if (!stored)
                recordingStopped();
        }
        if (stored) {
            result = true;
        } else {
            EscBlock block{h, params.data(), length, static_cast<uint32_t>(params.size())};
            ++m_executing;
            result = slot.handler(*this, block);
            --m_executing;
            if (result) {
                keepAction(std::move(action));
            } else {
                std::string full;
                FormCmd(&h, &full, m_nPages, params.data(), length, true, IsPlaying4Page());
                if (showError(full, kErrCommand, 4) == 6)
                    m_stop.abort = true;
            }
        }
    }
    return result;
}

void CWinPrt::FlushData()
{
    if (m_framer.m_ixCache == 0)
        return;
    // Taken out of the buffer first: starting a page below may play page actions, which
    // re-enter PrintData and would otherwise print or drop this text a second time.
    std::string text(m_framer.m_pCache.data(), m_framer.m_ixCache);
    m_framer.m_ixCache = 0;
    if (IsAborted())
        return;
    if (m_textSink) {
        m_textSink(text.data(), text.size());
        return;
    }
    FlushData(text.data(), text.size());
}

void CWinPrt::FlushData(const char* text, size_t length)
{
    if (length == 0)
        return;
    if (!IsPageStarted() && !StartPage())
        return;
    if (m_pFMap == nullptr)
        return;
    TextOut(text, length, m_pFMap->AttrWord());
    m_cursor.m_x = AdvancePosition(m_cursor.m_x, static_cast<int64_t>(length), 1);
    if (!(length == 1 && text[0] == 0))
        m_dwPrintBytes += static_cast<uint32_t>(length);
}

void CWinPrt::TextOut(const char* text, size_t length, uint16_t attr)
{
    if (m_pFMap == nullptr)
        return;
    applyAttr(attr, 0xFFFF);
    m_pFMap->TextOut(reinterpret_cast<const uint8_t*>(text), length);
    if (m_host->ExtendedDebug() && m_host->TraceOn(kTrzJobs)) {
        m_host->TraceText(sprintf("\nCWinPrt::TextOut(%u)-\n", static_cast<unsigned>(length)));
        m_host->TraceHexDump("Text", text, length);
    }
}

} // namespace typestone
