// The text formatter fed text, line ends, pages and the layout calls of the commands, decoded
// from the input: each step is an operation byte and its arguments. Properties: nothing
// crashes or loops, and no character is drawn more often than it was given.

#include "tests/fuzz/fuzz_target.h"

#include "typestone/engine/text_formatter.h"

#include "platform/draw/recording_dc.h"
#include "tests/support/draw/fake_font_engine.h"

#include <cstring>
#include <string>
#include <string_view>

using typestone::CTextFormatter;

namespace {

class Reader
{
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool more() const { return m_pos < m_size; }
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    int16_t word()
    {
        const uint16_t lo = byte();
        return static_cast<int16_t>(lo | (static_cast<uint16_t>(byte()) << 8));
    }
    std::string text()
    {
        const size_t n = std::min<size_t>(byte() % 64, m_size - std::min(m_pos, m_size));
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return s;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Counts the characters drawn.
class CountingDc : public platform::draw::RecordingDc
{
public:
    using RecordingDc::RecordingDc;
    bool textOut(platform::draw::Point at, std::string_view bytes,
                 const std::optional<platform::draw::Rect>& clip) override
    {
        drawn += bytes.size();
        clear(); // the lines themselves are not needed
        return RecordingDc::textOut(at, bytes, clip);
    }
    size_t drawn = 0;
};

class Host : public typestone::FormatterHost
{
public:
    void FmtEndLine() override { formatter->NewLine(dc, 20, nullptr); }
    void FmtDown() override
    {
        formatter->FlushLine(dc, true);
        formatter->NewLine(dc, 20, nullptr);
    }
    void FmtPrintData(std::string_view bytes) override { formatter->FormText2Line(dc, bytes); }
    void FmtSetBkMode(int) override {}
    void EnableBoxDrawing(bool) override {}
    bool Cancelled() const override { return false; }
    CTextFormatter* formatter = nullptr;
    platform::draw::Dc* dc = nullptr;
};

} // namespace

FUZZ_TARGET(text_formatter)
{
    platform::draw::DeviceCaps caps;
    caps.width = 400;
    caps.height = 300;
    CountingDc dc(caps);
    platform::draw::FakeFontEngine engine;
    Host host;
    CTextFormatter f(&host, &engine);
    host.formatter = &f;
    host.dc = &dc;
    f.SetFont(platform::draw::makeLogFont("Courier New", -20, 10));
    f.NewPage(&dc, 1);
    Reader in(data, size);
    size_t fed = 0;
    for (int step = 0; step < 4000 && in.more(); ++step) {
        switch (in.byte() % 18) {
        case 0: {
            const std::string t = in.text();
            fed += t.size();
            f.FormText2Line(&dc, t);
            break;
        }
        case 1:
            f.FlushLine(&dc, in.byte() & 1);
            break;
        case 2:
            f.NewLine(&dc, in.byte(), nullptr);
            break;
        case 3:
            f.NewPage(&dc, in.byte() % 3);
            break;
        case 4:
            f.SetAlign(static_cast<uint16_t>(in.word()), (in.byte() & 1) ? &dc : nullptr);
            break;
        case 5:
            f.SetEffect(in.byte() % 4, &dc);
            break;
        case 6:
            f.SetRotation(in.word());
            break;
        case 7: {
            const int l = in.word(), t = in.word(), r = in.word(), b = in.word();
            const int number = static_cast<int8_t>(in.byte());
            const int first = in.byte() % 8, last = in.byte() % 8;
            f.DefineRect(&dc, platform::draw::Rect{l, t, r, b}, number, first, last,
                         static_cast<uint16_t>(in.word()));
            break;
        }
        case 8:
            f.SelectRect(static_cast<int8_t>(in.byte()), &dc, in.byte() & 1);
            break;
        case 9:
            f.SetPos(&dc, static_cast<int8_t>(in.byte()), in.word(), in.word());
            break;
        case 10:
            f.FlushAll(&dc);
            break;
        case 11: {
            const std::string t = in.text();
            fed += t.size();
            f.PrintTextInRects(&dc, t, ';');
            break;
        }
        case 12:
            f.SetFont(platform::draw::makeLogFont("Courier New", -(in.byte() % 64), in.byte() % 32));
            break;
        case 13:
            if (in.byte() & 1)
                f.DrawFrame(&dc);
            else
                f.FillArea(&dc, in.byte());
            break;
        case 14:
            f.SetRectPages(static_cast<int8_t>(in.byte()), in.byte() % 8, static_cast<uint16_t>(in.word()));
            break;
        case 15:
            f.SetAlignWord(static_cast<uint16_t>(in.word()));
            break;
        case 16:
            f.AdvanceTableRow(&dc);
            break;
        default:
            if (in.byte() & 1)
                f.SetX(&dc, in.word());
            else
                f.SetY(&dc, in.word());
            break;
        }
    }
    f.FlushAll(&dc);
    FUZZ_CHECK(dc.drawn <= fed);
    return 0;
}
