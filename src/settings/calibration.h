#pragma once

#include <QMap>
#include <QString>

#include <optional>

namespace gridorra {

// How much a printer stretches or shrinks a page, across and down: the
// factors nominal / measured that its drawing is multiplied by.
struct Correction {
    double across = 1.0;
    double down = 1.0;
};

// The corrections the user stored, one per printer (by queue name, an
// instance's included), in a group of their own in the settings file:
// [Calibration]. Nothing of the window's keys or section is touched.
class Calibrations {
public:
    static const QString group;
    // A measurement farther off than this is a mistake, not a printer.
    static constexpr double lowest = 0.95;
    static constexpr double highest = 1.05;

    std::optional<Correction> of(const QString& queue) const;
    void store(const QString& queue, const Correction& correction);
    // False when there was none.
    bool remove(const QString& queue);
    QMap<QString, Correction> all() const;
};

// A length as the user measured it, with its unit: "179.3mm", "17,9 cm",
// "7.02in", numbers read in the user's locale. In millimetres and whether
// it was given in inches; nothing when it is no length.
struct Measured {
    double millimetres = 0;
    bool inches = false;
};
std::optional<Measured> measuredLength(const QString& text);

} // namespace gridorra
