#pragma once
// A Dc that draws nothing and records every call that changes state or draws as one line of
// text, for exact tests of the engine. Measuring calls (textMetrics, textExtent, charWidths,
// caps) are answered from the selected font and the given caps and are not recorded.
//
// Line formats (colours as #rrggbb, rectangles as left,top,right,bottom):
//   text X,Y 'BYTES'                 textOut without clip
//   text X,Y 'BYTES' clip=L,T,R,B    textOut with a clip rectangle
//        BYTES: printable ASCII as it is, except \ and ' written \\ and \'; other bytes \xHH
//   textcolor #rrggbb | bkcolor #rrggbb | bkmode transparent|opaque | align top|baseline|bottom
//   font 'FACE' h=H w=W weight=N italic=0|1 underline=0|1 strikeout=0|1 charset=N esc=N
//   font none
//   pen solid W #rrggbb | pen null
//   brush solid #rrggbb | brush null | brush pattern HHHHHHHHHHHHHHHH   (rows top first)
//   moveto X,Y | lineto X,Y
//   rect L,T,R,B | fill L,T,R,B <brush as above without "brush ">
//   image L,T,R,B WxH
//   save | restore | restore none   (restore without a saved state)
//   justify EXTRA,BREAKS             setTextJustification, when it changes
//   a textOut whose blanks are justified ends in " extra=E,E,..." (the pixels of each blank)

#include "platform/draw/stateful_dc.h"

#include <string>
#include <vector>

namespace platform::draw {

class RecordingDc : public StatefulDc
{
public:
    explicit RecordingDc(const DeviceCaps& caps = DeviceCaps{});

    DeviceCaps caps() const override { return m_caps; }
    void setCaps(const DeviceCaps& caps) { m_caps = caps; }

    void setTextColor(Color color) override;
    void setBackgroundColor(Color color) override;
    void setBackgroundMode(BackgroundMode mode) override;
    void setTextAlign(TextAlign align) override;
    FontHandle selectFont(FontHandle font) override;
    Pen selectPen(const Pen& pen) override;
    Brush selectBrush(const Brush& brush) override;
    void setTextJustification(int extra, int breakCount) override;
    void save() override;
    bool restore() override;

    bool textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip = std::nullopt) override;
    void moveTo(Point to) override;
    void lineTo(Point to) override;
    void rectangle(const Rect& rect) override;
    void fillRect(const Rect& rect, const Brush& brush) override;
    void drawImage(const Rect& target, const QImage& image) override;

    const std::vector<std::string>& lines() const { return m_lines; }
    // All lines, each followed by '\n'.
    std::string text() const;
    void clear() { m_lines.clear(); }

    // The text forms used in the lines, for building expected lines in tests.
    static std::string quoteBytes(std::string_view bytes); // 'BYTES' with the escapes above
    static std::string colorText(Color color);             // #rrggbb
    static std::string rectText(const Rect& rect);         // L,T,R,B
    static std::string brushText(const Brush& brush);      // solid #rrggbb | null | pattern HH..

private:
    DeviceCaps m_caps;
    std::vector<std::string> m_lines;
};

} // namespace platform::draw
