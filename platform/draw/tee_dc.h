#pragma once
// A Dc that does every state change and drawing call on two Dcs at once (the printer's page
// and the PDF capture). Queries are answered by the first.

#include "platform/draw/dc.h"

namespace platform::draw {

class TeeDc : public Dc
{
public:
    // Neither is owned; both must outlive the tee.
    TeeDc(Dc& first, Dc& second);

    DeviceCaps caps() const override { return m_first.caps(); }
    void setTextColor(Color color) override;
    Color textColor() const override { return m_first.textColor(); }
    void setBackgroundColor(Color color) override;
    Color backgroundColor() const override { return m_first.backgroundColor(); }
    void setBackgroundMode(BackgroundMode mode) override;
    BackgroundMode backgroundMode() const override { return m_first.backgroundMode(); }
    void setTextAlign(TextAlign align) override;
    TextAlign textAlign() const override { return m_first.textAlign(); }
    FontHandle selectFont(FontHandle font) override;
    FontHandle font() const override { return m_first.font(); }
    Pen selectPen(const Pen& pen) override;
    Pen pen() const override { return m_first.pen(); }
    Brush selectBrush(const Brush& brush) override;
    Brush brush() const override { return m_first.brush(); }
    void setTextJustification(int extra, int breakCount) override;
    int justificationFor(std::string_view bytes) const override { return m_first.justificationFor(bytes); }
    void save() override;
    bool restore() override;
    bool textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip = std::nullopt) override;
    void moveTo(Point to) override;
    Point currentPosition() const override { return m_first.currentPosition(); }
    void lineTo(Point to) override;
    void rectangle(const Rect& rect) override;
    void fillRect(const Rect& rect, const Brush& brush) override;
    void drawImage(const Rect& target, const QImage& image) override;

private:
    Dc& m_first;
    Dc& m_second;
};

} // namespace platform::draw
