#pragma once

#include <QRect>
#include <QString>

#include <array>
#include <cmath>
#include <string_view>

namespace gridorra::design {

// The main window's design, in twips. Frames, the button and the progress
// bar are placed in the client area; the other controls in their frame,
// measured from the frame's top-left corner, caption band included.
struct Control {
    std::string_view name;
    std::string_view parent; // empty: the window itself
    std::string_view caption;
    int left, top, width, height;
    int tabIndex;
};

inline constexpr int twipsPerPixel = 15; // at 96 dots per inch
inline constexpr int clientWidth = 8040;
inline constexpr int clientHeight = 4590;

// clang-format off
inline constexpr std::array<Control, 27> controls{{
    {"Frame7",       "",       "Number Of Lines",             120,  120,  2520, 1200, 13},
    {"Frame3",       "",       "Scale",                       2760, 120,  2520, 1200, 22},
    {"Frame2",       "",       "Look Of Lines",               5400, 120,  2520, 1200, 19},
    {"Frame1",       "",       "Lines Per Wide Line",         120,  1380, 2520, 1200, 16},
    {"Frame4",       "",       "Print Option",                2760, 1380, 2520, 1200, 23},
    {"Frame5",       "",       "Preview (Hit Tab to update)", 5400, 1380, 2520, 1200, 25},
    {"Frame6",       "",       "Select Printer",              120,  2640, 7800, 795,  26},
    {"lblLinesH",    "Frame7", "Horizotal:",                  180,  345,  795,  225,  15},
    {"Text1",        "Frame7", "",                            1200, 300,  1095, 330,  0},
    {"lblLinesV",    "Frame7", "Vertical:",                   180,  765,  705,  225,  14},
    {"Text2",        "Frame7", "",                            1200, 720,  1095, 330,  1},
    {"Label1",       "Frame1", "Horizotal:",                  180,  345,  795,  225,  17},
    {"Text4",        "Frame1", "",                            1200, 300,  1095, 330,  6},
    {"Label2",       "Frame1", "Vertical:",                   180,  765,  705,  225,  18},
    {"Text3",        "Frame1", "",                            1200, 720,  1095, 330,  7},
    {"Label4",       "Frame2", "Thickness:",                  180,  345,  930,  225,  21},
    {"Text5",        "Frame2", "",                            1200, 300,  1095, 330,  4},
    {"Label3",       "Frame2", "Color:",                      180,  765,  495,  225,  20},
    {"Picture1",     "Frame2", "",                            1200, 720,  1095, 330,  5},
    {"Option1",      "Frame3", "Inches",                      180,  300,  1455, 255,  2},
    {"Option2",      "Frame3", "Centimeters",                 180,  650,  1455, 255,  3},
    {"Label5",       "Frame4", "No. of Copies:",              180,  345,  1155, 225,  24},
    {"Text6",        "Frame4", "",                            1440, 300,  855,  330,  8},
    {"Picture2",     "Frame5", "",                            240,  300,  2055, 705,  9},
    {"Combo1",       "Frame6", "",                            240,  300,  7320, 345,  10},
    {"PushButton2",  "",       "Start Printing",              120,  3560, 7800, 405,  11},
    {"ProgressBar1", "",       "Progress Bar",                120,  4070, 7800, 405,  12},
}};
// clang-format on

constexpr int toPixels(int twips)
{
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

// At `scale` times the design's size (the desktop's larger text): the
// edges rounded, so that controls side by side still meet.
inline int toPixels(int twips, double scale)
{
    return int(std::lround(twips * scale / twipsPerPixel));
}

inline QRect toPixels(const Control& c, double scale = 1)
{
    if (scale == 1)
        return {toPixels(c.left), toPixels(c.top), toPixels(c.width), toPixels(c.height)};
    const int left = toPixels(c.left, scale), top = toPixels(c.top, scale);
    return {left, top, toPixels(c.left + c.width, scale) - left,
            toPixels(c.top + c.height, scale) - top};
}

// The design of the named control; the name must be one of the table's.
const Control& control(std::string_view name);

inline QString caption(const Control& c)
{
    return QString::fromUtf8(c.caption.data(), qsizetype(c.caption.size()));
}

} // namespace gridorra::design
