#pragma once
// Writes a page image to a PNG file in the smallest lossless form that holds it: one bit per
// pixel for a page of two colours, a palette for up to 256, else 8-bit RGB. Pages drawn without
// smoothing rarely have more than a handful of colours, so most pages take the first two forms.

#include <QImage>

#include <string>

namespace platform::pdf {

enum class PageImageForm
{
    Mono,
    Palette,
    Rgb,
};

// The form writePageImage uses for `image`.
PageImageForm pageImageForm(const QImage& image);

// False with the reason when the file cannot be written.
bool writePageImage(const QImage& image, const std::string& path, std::string* error);

} // namespace platform::pdf
