#pragma once

#include "cli/paperchoice.h"

#include <QDialog>
#include <QMap>

class QComboBox;
class QCheckBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace gridorra {

class CommonDialog;
class GridWindow;
class PreviewBox;
class SettingsStore;

// Kind of Paper: the kinds in a list, each with a small picture drawn from
// its own marks; below, the chosen kind's own options with their units
// (refused values said beside the field in the command line's words, and
// OK disabled), the paper a saved file is drawn on, and for the grid its
// exact lengths; and the chosen kind at true size. OK gives the choice;
// Cancel changes nothing.
class KindDialog : public QDialog {
    Q_OBJECT
public:
    // `window`: the fields and colour the preview draws with; `colours`:
    // the colour dialog a weight's swatch opens.
    KindDialog(const PaperChoice& current, SettingsStore& store, const GridWindow& window,
               QWidget* parent = nullptr, CommonDialog* colours = nullptr);

    PaperChoice choice() const;
    QListWidget* kinds() const { return m_kinds; }
    // The chosen kind's option field, by the command line's name.
    QLineEdit* optionField(const QString& option) const { return m_fields.value(option); }
    // A colour option's swatch, which opens the colour dialog.
    QPushButton* swatch(const QString& option) const { return m_swatches.value(option); }
    QCheckBox* centre() const { return m_centre; }
    QComboBox* orientation() const { return m_orientation; }
    QDialogButtonBox* buttons() const { return m_buttons; }
    QLabel* refusal() const { return m_refusal; }
    // The chosen kind at true size: the top-left corner of its sheet.
    PreviewBox* preview() const { return m_preview; }

    void accept() override;

private:
    void showOptions();
    void check();
    void chooseColour(const QString& option);

    SettingsStore& m_store;
    const GridWindow& m_window;
    PreviewBox* m_preview = nullptr;
    QListWidget* m_kinds = nullptr;
    QFormLayout* m_form = nullptr;
    QComboBox* m_paperSize = nullptr;
    QCheckBox* m_exact = nullptr;
    QCheckBox* m_centre = nullptr;
    QComboBox* m_orientation = nullptr;
    CommonDialog* m_colours = nullptr;
    QMap<QString, QPushButton*> m_swatches;
    QLabel* m_refusal = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QMap<QString, QLineEdit*> m_fields;
    QMap<QString, QString> m_texts; // every option typed, kept across kinds
};

} // namespace gridorra
