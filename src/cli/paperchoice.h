#pragma once

#include "render/patterns.h"

#include <QList>
#include <QMap>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace gridorra {

class GridWindow;
class SettingsStore;
struct SheetRequest;

// The kind of paper chosen in the window's Kind of Paper dialog, kept in
// the settings file beside the window's own keys (which it never touches):
// the kind (Paper), its options as the command line names them, "NAME=TEXT"
// joined by ";" (PaperOptions), and the paper a saved file is drawn on
// (PaperSize: a paper's name, or empty for the chosen printer's). With the
// grid chosen, the default, nothing is stored and the window is its own.
struct PaperChoice {
    QString kind = QStringLiteral("grid");
    QMap<QString, QString> options; // option name without dashes -> text as typed
    QString paperSize;

    bool isGrid() const { return kind.isEmpty() || kind == QStringLiteral("grid"); }
    // The printable area (twips) of a saved file without a printer: the
    // paper chosen for saving, else the locale's, less margins of 12
    // points, turned for a landscape sheet; where a preview lays the kind
    // out.
    QSizeF sheetArea() const;
    // The area a preview of `shown` (twips) lays the kind out on: the whole
    // sheet for the kinds that the page shapes (polar paper's centre, log
    // paper's decades), else no more of it than a few times the preview,
    // as the others begin at the corner whatever the page (a 1 mm dot grid
    // on a whole page is some 60,000 dots, and a preview shows 400).
    QSizeF previewArea(const QSizeF& shown) const;
    static PaperChoice stored(const SettingsStore& store);
    // False when the store could not be written.
    bool store(SettingsStore& store) const;
    // The choice as command-line options: --pattern KIND --OPTION TEXT ...
    QStringList arguments() const;
    // What the command line says of these options, in its words ("--rays
    // 2.5: give a whole number from 1 to 720"); empty when it takes them.
    // `option` is then the option refused, where one is.
    QString refusal(QString* option = nullptr) const;
    // The request with this kind and its options, where the request names
    // no kind of its own; false, and `why`, when the stored options are
    // ones the command line refuses (a file edited by hand).
    bool applyTo(SheetRequest& request, QString* why) const;
};

namespace paper {

// The window's fields (by number) a kind draws with; the copies always.
QList<int> fieldsOf(const QString& kind);
// A kind's own options, beyond the fields: those the dialog asks for.
QStringList ownOptionsOf(const QString& kind);
// What every kind but the window's grid may also be: whole cells centred
// ("centre", "1"), and turned ("orientation", "landscape").
inline QStringList sheetOptions()
{
    return {QStringLiteral("centre"), QStringLiteral("orientation")};
}

// Another kind's marks on an area (twips) at `dpi`: its options in `p`,
// the unit, the lines, the wide lines and the thickness from the window's
// fields (`given`: those the run gave itself, the rest being stored ones).
// Where a field holds no number, or the values make no sheet, no marks and
// why.
PatternSheet kindMarks(PatternParameters p, const GridWindow& window, const QSizeF& area, int dpi,
                       const QList<int>& given = {});

// The top-left corner of the chosen kind's sheet, as a preview `shown`
// twips large draws it at `dpi`: laid out on the area previewArea() gives,
// and where the sheet's whole cells are centred, laid out on the whole
// sheet and centred on it as printing and saving centre it.
PatternSheet previewMarks(const PaperChoice& chosen, const PatternParameters& p,
                          const GridWindow& window, const QSizeF& shown, int dpi);

} // namespace paper
} // namespace gridorra
