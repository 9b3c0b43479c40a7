#pragma once

#include <QMap>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include "render/patterns.h"
#include "settings/calibration.h"

#include <optional>

namespace gridorra {

// The sheet drawn without the window: --export FILE or --print, with the
// values that override the stored ones for this run.
struct SheetRequest {
    enum class Kind { Export, Print };
    Kind kind = Kind::Export;
    QString file;               // --export
    QMap<int, QString> fields;  // Text1 .. Text6 by number
    std::optional<bool> inches; // --unit
    std::optional<quint32> colour;
    QString printer;
    // Page of an export, where it differs from the printer's.
    std::optional<QPageSize> pageSize;
    std::optional<double> margins; // points, all four sides
    QString marginsText;           // as given
    std::optional<int> resolution; // dots per inch
    bool calibrationSheet = false; // the calibration sheet, not the grid
    bool calibrated = false;       // an export drawn with --printer's correction
    // What an export writes: by --format, else by the file's extension; a
    // PDF for standard output and names without one.
    enum class Format { Pdf, Svg, Png };
    Format format = Format::Pdf;
    // The kind of paper (--pattern, empty for the window's grid) and the
    // values of its own options; the grid's values come from the fields.
    PatternParameters pattern;
    std::optional<int> heavyEvery;     // the grid's third weight
    std::optional<int> heavyThickness; // its pen in dots, where not the rule's
    // The grid's spacing exactly the unit over the count, not the window's
    // whole twips: --exact-lengths, else the stored choice.
    std::optional<bool> exactLengths;
    int pages = 1;            // a notebook's pages
    bool doubleSided = false; // its even pages the odd ones' mirror, printed on both sides
    bool twoUp = false;       // two pages side by side on the paper turned (A5 on A4)
    bool isGrid() const { return pattern.name.isEmpty() || pattern.name == QStringLiteral("grid"); }
    // Drawn from marks, not by the window's procedure: another kind, the
    // three-weight grid, the grid of exact lengths, a pen of its own for a
    // weight, a notebook, whole cells centred or a landscape sheet.
    bool drawsMarks() const
    {
        return !isGrid() || heavyEvery || exactLengths.value_or(false) || pages > 1 ||
               pattern.wideThickness || heavyThickness || pattern.centre || pattern.landscape ||
               pattern.wideColour || pattern.heavyColour || twoUp;
    }
};

// The printer's correction: stored from what the user measured on the
// calibration sheet (--calibrate --across L --down L), removed (--reset),
// or all of them listed (--calibration).
struct CalibrateRequest {
    enum class Kind { Store, Reset, List };
    Kind kind = Kind::List;
    QString printer;
    Measured across;
    Measured down;
    QString acrossText; // as given
    QString downText;
};

// What the command line asks for.
struct CommandLine {
    std::optional<int> exitNow; // the status, when the program ends at once
    std::optional<SheetRequest> sheet;
    std::optional<CalibrateRequest> calibrate;
    QString mistake; // the refusal's words, where the line was refused
};

// Reads the program's command line before any window exists, so that it
// answers without a display. It answers --help, --help-all and --version
// itself, and a mistake with one line on standard error (status 2): an
// unknown option, or a value an option cannot take. Qt's own options
// (-style, -platform, -display, ...) are accepted and left in place for the
// application object, which takes them.
// `quiet`: the mistake is only given back, not written.
CommandLine readCommandLine(const QStringList& arguments, bool quiet = false);

} // namespace gridorra
