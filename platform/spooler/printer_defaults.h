#pragma once
// A printer's default settings, and their text form (IPP keywords) shared by the backends.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::spooler {

enum class Orientation
{
    Portrait,
    Landscape,
    ReversePortrait,
    ReverseLandscape
};

enum class Sides
{
    OneSided,
    TwoSidedLongEdge,
    TwoSidedShortEdge
};

enum class ColorMode
{
    Color,
    Monochrome
};

enum class PrintQuality
{
    Draft,
    Normal,
    High
};

struct Resolution
{
    int x = 600; // dots per inch
    int y = 600;
    bool operator==(const Resolution&) const = default;
};

// Limits every backend enforces on settings.
constexpr int kMaxCopies = 999;
constexpr int kMaxResolution = 9600;

// The unprintable edges of the sheet, in hundredths of a millimetre as the sheet lies in
// portrait. The default is that of a common laser printer (1/6 inch, about 4.2 mm, each side).
constexpr int kDefaultMargin = 423;
constexpr int kMaxMargin = 5000; // 50 mm

struct Margins
{
    int left = kDefaultMargin;
    int top = kDefaultMargin;
    int right = kDefaultMargin;
    int bottom = kDefaultMargin;
    bool operator==(const Margins&) const = default;
};

struct PrinterDefaults
{
    // A PWG self-describing media name ("iso_a4_210x297mm", "na_letter_8.5x11in").
    std::string media = "iso_a4_210x297mm";
    Orientation orientation = Orientation::Portrait;
    int copies = 1;
    Sides sides = Sides::OneSided;
    ColorMode colorMode = ColorMode::Color;
    PrintQuality quality = PrintQuality::Normal;
    Resolution resolution;
    Margins margins;
    bool operator==(const PrinterDefaults&) const = default;
};

// What a printer offers to choose from, as far as its backend can tell; an empty list means the
// backend does not list that choice.
struct PrinterChoices
{
    std::vector<std::string> media; // PWG media names
    std::vector<Resolution> resolutions;
    bool operator==(const PrinterChoices&) const = default;
};

// IPP keywords: "portrait", "landscape", "reverse-portrait", "reverse-landscape"; "one-sided",
// "two-sided-long-edge", "two-sided-short-edge"; "color", "monochrome"; "draft", "normal",
// "high". Resolutions as "600x600".
const char* keyword(Orientation value);
const char* keyword(Sides value);
const char* keyword(ColorMode value);
const char* keyword(PrintQuality value);
std::string resolutionText(Resolution value);

std::optional<Orientation> parseOrientation(std::string_view text);
std::optional<Sides> parseSides(std::string_view text);
std::optional<ColorMode> parseColorMode(std::string_view text);
std::optional<PrintQuality> parseQuality(std::string_view text);
std::optional<Resolution> parseResolution(std::string_view text); // "600x600" or "600"
std::optional<int> parseCopies(std::string_view text);            // 1 .. kMaxCopies
// A margin in millimetres with at most two decimals ("4.23"), 0 .. kMaxMargin / 100; the
// result in hundredths of a millimetre.
std::optional<int> parseMargin(std::string_view text);
std::string marginText(int hundredths); // "4.23"

// A media name is 1..64 characters of [a-z0-9._-].
bool isValidMediaName(std::string_view media);

// Checks copies, resolution, media and margins against the limits above.
bool checkDefaults(const PrinterDefaults& defaults, std::string* error);

// The settings as "key=value" lines (media, orientation, copies, sides, color-mode, quality,
// resolution, margin-left, margin-top, margin-right, margin-bottom).
std::string formatDefaults(const PrinterDefaults& defaults);

// Reads text written by formatDefaults. Keys that are missing keep the built-in defaults;
// unknown keys, blank lines and lines starting with '#' are skipped. A bad value or a line
// without '=' is an error naming the line.
bool parseDefaults(std::string_view text, PrinterDefaults* defaults, std::string* error);

} // namespace platform::spooler
