#pragma once
// Where the strokes of the box-drawing characters lie in a cell of W x H pixels: single lines
// at an offset from the cell's left and top edges, double lines as two strokes at a margin
// from both edges. Adjacent cells of the same size put their strokes at the same places, so
// frames join.

namespace typestone {

struct LineGeometry
{
    int sx = 0; // left edge to a vertical single line
    int sy = 0; // top edge to a horizontal single line
    int dx = 0; // left/right edge to the strokes of a vertical double line
    int dy = 0; // top/bottom edge to the strokes of a horizontal double line
    int w1 = 0; // single-line width (also the gap of double lines)
    int w2 = 0; // double-line stroke width

    // Recomputes for a W x H cell; cells under 4 pixels either way only clear the widths and
    // leave the offsets as they were.
    void compute(int W, int H);
};

} // namespace typestone
