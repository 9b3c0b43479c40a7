#pragma once

// Every label of the window's three guarded procedures, in one place: the
// start-up (Form_Load), the preview (PreviewGraph) and the print job
// (PushButton2_Click). A label is the number an error report names after
// "at line", and users quote it when they tell of a fault, so these numbers
// never change: a statement that moves keeps its label. Where one line of
// a procedure holds two statements, both carry the line's label; each may
// fail on its own and is reported under it (the start-up's title and
// printer lines, the preview's and the job's last line).

namespace gridorra {

// The steps that read the pens from the thickness field.
struct PenLabels {
    int readThickness; // thickness := Text5
    int zeroToOne;     // a thickness of 0 becomes 1
    int wideWidth;     // wide width := thickness x 1.5 + 2
};

// The steps that read the spacings and the wide periods.
struct SpacingLabels {
    int inches;           // is "Inches" selected?
    int horizontalInch;   // 1440 / Text1
    int verticalInch;     // 1440 / Text2
    int centimetres;      // is "Centimeters" selected?
    int horizontalCm;     // 567 / Text1
    int verticalCm;       // 567 / Text2
    int horizontalPeriod; // Text4
    int verticalPeriod;   // Text3
};

// One direction's loop of lines.
struct LineLoopLabels {
    int resetCounter; // wide counter := 0
    int test;         // is the wide counter 0?
    int setCounter;   // counter := period - 1
    int widePen;      // DrawWidth := wide width
    int decrement;    // counter := counter - 1
    int thinPen;      // DrawWidth := thin width
    int line;         // Line; also the loop's advance
};

struct GridLabels {
    LineLoopLabels horizontal;
    LineLoopLabels vertical;
};

namespace label {

// The window's start.
namespace load {
inline constexpr int skin = 100;
inline constexpr int cursorExists = 104;
inline constexpr int cursor = 106;
inline constexpr int homePage = 108;
inline constexpr int title = 126; // the title, the icon and the application's title
inline constexpr int fieldTexts[6] = {128, 130, 132, 134, 136, 138}; // Text1 .. Text6
inline constexpr int unitIsInches = 140;
inline constexpr int inches = 142;
inline constexpr int centimetres = 144;
inline constexpr int colour = 146;
inline constexpr int preview = 148;
inline constexpr int printers = 150; // the list filled, the companion printer checked
} // namespace load

// The preview of the grid.
namespace preview {
inline constexpr int busyPointer = 100;
inline constexpr int clear = 102;
inline constexpr int colour = 104;
inline constexpr PenLabels pens{106, 108, 110};
inline constexpr int height = 112;
inline constexpr int width = 114;
inline constexpr int topMargin = 116;
inline constexpr int leftMargin = 118;
inline constexpr int scaleMode = 120;
inline constexpr SpacingLabels spacings{122, 124, 126, 128, 130, 132, 134, 136};
inline constexpr int fullBar = 142;
inline constexpr GridLabels lines{{144, 148, 150, 152, 154, 156, 158},
                                  {160, 164, 166, 168, 170, 172, 174}};
inline constexpr int normalPointer = 176;
inline constexpr int emptyBar = 178; // the bar emptied and its caption put back
} // namespace preview

// The print job ("Start Printing").
namespace print {
inline constexpr int notBusy = 100;
inline constexpr int busy = 102;
inline constexpr int busyPointer = 104;
inline constexpr int isCompanion = 106;
inline constexpr int bypassSaveAs = 108;
inline constexpr int printers = 110;
inline constexpr int isChosen = 112;
inline constexpr int makeCurrent = 114;
inline constexpr int colour = 118;
inline constexpr PenLabels pens{120, 122, 124};
inline constexpr int height = 126;
inline constexpr int width = 128;
inline constexpr int topMargin = 130;
inline constexpr int leftMargin = 132;
inline constexpr SpacingLabels spacings{134, 136, 138, 140, 142, 144, 146, 148};
inline constexpr int copies = 150;
inline constexpr int zeroIsOne = 152;
inline constexpr int progress = 156;
inline constexpr GridLabels lines{{162, 166, 168, 170, 172, 174, 176},
                                  {178, 182, 184, 186, 188, 190, 192}};
inline constexpr int copyLoop = 194; // the loop's advance, and the copy's EndDoc
inline constexpr int normalPointer = 196;
inline constexpr int emptyBar = 198; // the bar emptied and its caption put back
inline constexpr int done = 204;
inline constexpr int idle = 206;
} // namespace print

} // namespace label
} // namespace gridorra
