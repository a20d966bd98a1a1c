#pragma once
// Reading PDFs back in tests with poppler's tools: pdfinfo's fields and page sizes, and a page
// rendered by pdftoppm.

#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace ts::support {

// pdfinfo's output for pages `first`..`last` of `path`; empty when it cannot read the file.
inline std::string pdfInfoText(const std::string& path, int first = 1, int last = 1)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"),
                  {QStringLiteral("-f"), QString::number(first), QStringLiteral("-l"), QString::number(last),
                   QString::fromStdString(path)});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput().toStdString();
}

// The value of pdfinfo's "Key:" line; empty when there is none.
inline std::string pdfInfoField(const std::string& info, const std::string& key)
{
    const QRegularExpression line(QStringLiteral("^") +
                                      QRegularExpression::escape(QString::fromStdString(key)) +
                                      QStringLiteral(":\\s*(.*)$"),
                                  QRegularExpression::MultilineOption);
    const auto m = line.match(QString::fromStdString(info));
    return m.hasMatch() ? m.captured(1).trimmed().toStdString() : std::string();
}

inline int pdfPageCount(const std::string& path)
{
    const std::string pages = pdfInfoField(pdfInfoText(path), "Pages");
    return pages.empty() ? -1 : std::stoi(pages);
}

// The size in points of page `page`; nullopt when pdfinfo does not tell.
inline std::optional<std::pair<double, double>> pdfPageSize(const std::string& path, int page = 1)
{
    const QRegularExpression size(QStringLiteral("Page +%1 size: +([0-9.]+) x ([0-9.]+) pts").arg(page));
    const auto m = size.match(QString::fromStdString(pdfInfoText(path, page, page)));
    if (!m.hasMatch())
        return std::nullopt;
    return std::make_pair(m.captured(1).toDouble(), m.captured(2).toDouble());
}

// Page `page` of `path` rendered at `dpi` (RGB); a null image when pdftoppm fails.
inline QImage renderPdfPage(const std::string& path, const std::string& prefix, int dpi, int page = 1)
{
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
                  QStringLiteral("-l"), QString::number(page), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), QString::fromStdString(path),
                  QString::fromStdString(prefix)});
    if (!render.waitForFinished(120000) || render.exitCode() != 0)
        return {};
    // Renderings at several times a page's resolution are larger than the reader takes by default.
    QImageReader::setAllocationLimit(1024);
    return QImage(QString::fromStdString(prefix) + QStringLiteral(".png"))
        .convertToFormat(QImage::Format_RGB32);
}

// An image page rendered back at its own resolution is smoothed by the renderer; rendered at
// `factor` (4 or more) times that resolution its pixels are only enlarged. This takes the centre
// pixel of each factor x factor block of such a rendering: the image's own pixels.
inline QImage sampled(const QImage& rendering, int factor)
{
    QImage out(rendering.width() / factor, rendering.height() / factor, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            out.setPixel(x, y, rendering.pixel(x * factor + factor / 2, y * factor + factor / 2));
    return out;
}

// The share of pixels (0..1) whose colour differs by more than `tolerance` in any channel;
// 1 when the sizes differ.
inline double differingShare(const QImage& a, const QImage& b, int tolerance = 64)
{
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    long long differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            if (std::abs(qRed(p[col]) - qRed(q[col])) > tolerance ||
                std::abs(qGreen(p[col]) - qGreen(q[col])) > tolerance ||
                std::abs(qBlue(p[col]) - qBlue(q[col])) > tolerance)
                ++differing;
    }
    return static_cast<double>(differing) / (static_cast<double>(x.width()) * x.height());
}

// The share of pixels darker than mid grey.
inline double inkShare(const QImage& image)
{
    if (image.isNull())
        return 0;
    long long ink = 0;
    for (int row = 0; row < image.height(); ++row)
        for (int col = 0; col < image.width(); ++col)
            ink += qGray(image.pixel(col, row)) < 128 ? 1 : 0;
    return static_cast<double>(ink) / (static_cast<double>(image.width()) * image.height());
}

} // namespace ts::support
