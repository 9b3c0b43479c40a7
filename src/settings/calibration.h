#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace gridorra {

// How much a printer stretches or shrinks a page, across and down: the
// factors nominal / measured that its drawing is multiplied by.
struct Correction {
    double across = 1.0;
    double down = 1.0;
};

// "across ×1.0039, down ×0.9964".
QString describe(const Correction& correction);

// A correction as stored: whose it is (a queue, or an instance QUEUE/NAME),
// and the correction, or why it cannot be used.
struct StoredCorrection {
    QString printer;
    std::optional<Correction> correction;
    QString problem;
};

// The corrections the user stored, one per printer (by queue name, an
// instance's as QUEUE/INSTANCE), in a group of their own in the settings
// file: [Calibration]. Nothing of the window's keys or section is touched.
// An instance is its queue with other options: it prints with its queue's
// correction unless it was calibrated itself.
class Calibrations {
public:
    static const QString group;
    // A measurement farther off than this is a mistake, not a printer.
    static constexpr double lowest = 0.95;
    static constexpr double highest = 1.05;

    // The correction a job on the printer is drawn with: its own, else its
    // queue's; nothing where neither is stored or it cannot be read.
    std::optional<Correction> of(const QString& queue) const { return find(queue).correction; }
    // The entry that applies to the printer (see of()); an empty `printer`
    // where none is stored.
    StoredCorrection find(const QString& queue) const;
    // Empty once stored, else why it could not be: a store that cannot be
    // read is never written over, and one that cannot be written says so.
    QString store(const QString& queue, const Correction& correction);
    // The printer's own entry; false when there was none, or when it could
    // not be removed (`problem` then says why, as for store()).
    bool remove(const QString& queue, QString* problem = nullptr);
    // Every entry, by printer, those that cannot be read among them.
    QList<StoredCorrection> all() const;
};

// A length as the user measured it, with its unit: "179.3mm", "17,9 cm",
// "7.02in", numbers read in the user's locale. In millimetres and whether
// it was given in inches; nothing when it is no length, and `why` says what
// is wrong with it.
struct Measured {
    double millimetres = 0;
    bool inches = false;
};
std::optional<Measured> measuredLength(const QString& text, QString* why = nullptr);

} // namespace gridorra
