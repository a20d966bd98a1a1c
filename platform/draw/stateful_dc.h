#pragma once
// The state part of a Dc shared by the backends that keep their own state: colours, modes,
// font, pen, brush, current position, and the stack of save(). Drawing is left to the
// subclass.

#include "platform/draw/dc.h"

#include <vector>

namespace platform::draw {

class StatefulDc : public Dc
{
public:
    void setTextColor(Color color) override { m_state.textColor = color; }
    Color textColor() const override { return m_state.textColor; }
    void setBackgroundColor(Color color) override { m_state.backgroundColor = color; }
    Color backgroundColor() const override { return m_state.backgroundColor; }
    void setBackgroundMode(BackgroundMode mode) override { m_state.backgroundMode = mode; }
    BackgroundMode backgroundMode() const override { return m_state.backgroundMode; }
    void setTextAlign(TextAlign align) override { m_state.textAlign = align; }
    TextAlign textAlign() const override { return m_state.textAlign; }
    FontHandle selectFont(FontHandle font) override;
    FontHandle font() const override { return m_state.font; }
    Pen selectPen(const Pen& pen) override;
    Pen pen() const override { return m_state.pen; }
    Brush selectBrush(const Brush& brush) override;
    Brush brush() const override { return m_state.brush; }
    void setTextJustification(int extra, int breakCount) override;
    int justificationFor(std::string_view bytes) const override;
    void save() override;
    bool restore() override;
    void moveTo(Point to) override { m_state.position = to; }
    Point currentPosition() const override { return m_state.position; }

protected:
    struct State
    {
        Color textColor = kBlack;
        Color backgroundColor = kWhite;
        BackgroundMode backgroundMode = BackgroundMode::Opaque;
        TextAlign textAlign = TextAlign::Top;
        FontHandle font;
        Pen pen;
        Brush brush;
        Point position;
        int justifyExtra = 0;  // pixels to spread
        int justifyBreaks = 0; // over this many blanks
        int justifyUsed = 0;   // blanks already drawn since it was set
    };

    // The extra pixels of blank number `index` since the justification was set.
    int blankExtra(int index) const;

    const State& state() const { return m_state; }
    // The extra pixels of each byte of the next text output; the blanks it covers are used up.
    std::vector<int> takeJustification(std::string_view bytes);
    // The y of the cell's top for text drawn at y under the current alignment and font.
    int textTop(int y) const;

private:
    State m_state;
    std::vector<State> m_saved;
};

} // namespace platform::draw
