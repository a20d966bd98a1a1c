#include "tests/fuzz/drawing_canon.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>

namespace fuzz {
namespace {

bool startsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

struct Text
{
    int x = 0;
    int y = 0;
    std::string bytes; // the quoted form without its quotes
    std::string clip;  // " clip=L,T,R,B" or empty
};

// "text X,Y 'BYTES'" with an optional " clip=L,T,R,B"; quotes inside BYTES are escaped, so
// the last quote closes them.
std::optional<Text> parseText(const std::string& line)
{
    Text t;
    int used = 0;
    if (std::sscanf(line.c_str(), "text %d,%d '%n", &t.x, &t.y, &used) != 2 || used == 0)
        return std::nullopt;
    const size_t close = line.rfind('\'');
    if (close == std::string::npos || close < static_cast<size_t>(used))
        return std::nullopt;
    t.bytes = line.substr(static_cast<size_t>(used), close - static_cast<size_t>(used));
    t.clip = line.substr(close + 1);
    return t;
}

struct Segment
{
    int x0, y0, x1, y1;
};

struct Box
{
    int l, t, r, b;
};

std::optional<Box> parseBox(const std::string& line, const char* kind, std::string* rest)
{
    Box box{};
    int used = 0;
    const std::string format = std::string(kind) + " %d,%d,%d,%d%n";
    if (std::sscanf(line.c_str(), format.c_str(), &box.l, &box.t, &box.r, &box.b, &used) != 4)
        return std::nullopt;
    *rest = line.substr(static_cast<size_t>(used));
    return box;
}

// One drawing call with the state it was drawn in.
struct Call
{
    enum Kind
    {
        Plain,
        TextCall,
        Line,
        Fill
    } kind = Plain;
    std::string state;
    std::string line;  // Plain: the line as recorded
    Text text;         // TextCall
    Segment segment{}; // Line
    Box box{};         // Fill
    std::string brush; // Fill

    std::string render() const
    {
        char buf[96];
        switch (kind) {
        case TextCall:
            std::snprintf(buf, sizeof buf, "text %d,%d '", text.x, text.y);
            return state + buf + text.bytes + "'" + text.clip;
        case Line:
            std::snprintf(buf, sizeof buf, "line %d,%d %d,%d", segment.x0, segment.y0, segment.x1,
                          segment.y1);
            return state + buf;
        case Fill:
            std::snprintf(buf, sizeof buf, "fill %d,%d,%d,%d", box.l, box.t, box.r, box.b);
            return state + buf + brush;
        default:
            return state + line;
        }
    }
};

class Canon
{
public:
    void take(const std::string& line)
    {
        for (const char* key : {"textcolor", "bkcolor", "bkmode", "align", "font", "pen", "brush"}) {
            if (startsWith(line, key) && line.size() > std::string(key).size() &&
                line[std::string(key).size()] == ' ') {
                m_state[key] = line;
                return;
            }
        }
        if (line == "save") {
            m_saved.push_back(m_state);
            return;
        }
        if (line == "restore") {
            if (!m_saved.empty()) {
                m_state = m_saved.back();
                m_saved.pop_back();
            }
            return;
        }
        if (line == "restore none")
            return;
        if (startsWith(line, "moveto ")) {
            std::sscanf(line.c_str(), "moveto %d,%d", &m_x, &m_y);
            return;
        }
        Call call;
        if (startsWith(line, "lineto ")) {
            int x = 0, y = 0;
            std::sscanf(line.c_str(), "lineto %d,%d", &x, &y);
            call.kind = Call::Line;
            call.state = stateText(call.kind, line);
            call.segment = Segment{m_x, m_y, x, y};
            m_x = x;
            m_y = y;
            addLine(call);
            return;
        }
        if (auto text = parseText(line)) {
            call.kind = Call::TextCall;
            call.state = stateText(call.kind, line);
            call.text = *text;
            if (!m_calls.empty()) {
                Call& last = m_calls.back();
                // A turned run goes on along its slope, from where the last one ended: its
                // baseline moves with it.
                const bool turned = call.state.find(" esc=") != std::string::npos &&
                                    call.state.find(" esc=0;") == std::string::npos;
                if (last.kind == Call::TextCall && last.state == call.state &&
                    (last.text.y == text->y || turned) && last.text.clip == text->clip &&
                    text->x > last.text.x) {
                    last.text.bytes += text->bytes;
                    return;
                }
            }
            m_calls.push_back(call);
            return;
        }
        std::string rest;
        if (auto box = parseBox(line, "fill", &rest)) {
            call.kind = Call::Fill;
            call.state = stateText(call.kind, line);
            call.box = *box;
            call.brush = rest;
            if (!m_calls.empty()) {
                Call& last = m_calls.back();
                if (last.kind == Call::Fill && last.state == call.state && last.brush == rest &&
                    last.box.t == box->t && last.box.b == box->b && last.box.r == box->l) {
                    last.box.r = box->r;
                    return;
                }
            }
            m_calls.push_back(call);
            return;
        }
        call.state = stateText(call.kind, line);
        call.line = line;
        m_calls.push_back(call);
    }

    std::vector<std::string> result() const
    {
        std::vector<std::string> out;
        out.reserve(m_calls.size());
        for (const Call& c : m_calls)
            out.push_back(c.render());
        return out;
    }

private:
    // A horizontal line that continues one of the lines just drawn in the same state extends
    // it (a run of double lines draws two lines per piece).
    void addLine(Call& call)
    {
        const Segment& s = call.segment;
        if (s.y0 == s.y1) {
            for (size_t i = m_calls.size(); i > 0; --i) {
                Call& earlier = m_calls[i - 1];
                if (earlier.kind != Call::Line || earlier.state != call.state)
                    break;
                Segment& e = earlier.segment;
                if (e.y0 == e.y1 && e.y0 == s.y0 && e.x1 == s.x0 && s.x1 > s.x0 && e.x1 > e.x0) {
                    e.x1 = s.x1;
                    return;
                }
            }
        }
        m_calls.push_back(call);
    }

    // The state a call of this kind is drawn with: text with its colours, mode, alignment and
    // font; lines and fills with the pen, brush and background (what dashes and hatches use);
    // the document's and pages' own calls with none.
    std::string stateText(Call::Kind kind, const std::string& line) const
    {
        static const std::set<std::string> forText = {"textcolor", "bkcolor", "bkmode", "align", "font"};
        static const std::set<std::string> forShapes = {"bkcolor", "bkmode", "pen", "brush"};
        if (kind == Call::Plain && isDocumentCall(line))
            return {};
        const std::set<std::string>& keys = kind == Call::TextCall ? forText : forShapes;
        std::string s = "[";
        for (const auto& [key, value] : m_state)
            if (kind == Call::Plain || keys.count(key) != 0)
                s += value + ";";
        return s + "] ";
    }

    static bool isDocumentCall(const std::string& line)
    {
        for (const char* call : {"startDoc", "endDoc", "abortDoc", "startPage", "endPage"})
            if (startsWith(line, call))
                return true;
        return false;
    }

    std::map<std::string, std::string> m_state;
    std::vector<std::map<std::string, std::string>> m_saved;
    int m_x = 0;
    int m_y = 0;
    std::vector<Call> m_calls;
};

} // namespace

std::vector<std::string> canonicalDrawing(const std::vector<std::string>& lines)
{
    Canon canon;
    for (const auto& l : lines)
        canon.take(l);
    return canon.result();
}

} // namespace fuzz
