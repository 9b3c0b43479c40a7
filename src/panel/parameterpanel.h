#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QRadioButton;

namespace gridorra {

class ColourSwatch;
class CommonDialog;
class HandlerQueue;
class MessageBoxes;
class NumericField;
class SettingsStore;

// The input panel's handlers: the six numeric fields and the unit options.
// Each change is written to the settings store at once; leaving a field with
// numeric text, or switching the unit, redraws the preview.
class ParameterPanel : public QObject {
    Q_OBJECT
public:
    struct Window {
        std::function<void()> previewGraph;
        std::function<QString()> appTitle;
        // Tells assistive technology a text whatever has the focus.
        std::function<void(const QString&)> announce;
    };

    // Every handler runs through `handlers`, one at a time.
    ParameterPanel(SettingsStore& settings, MessageBoxes& boxes, HandlerQueue& handlers,
                   Window window, QObject* parent = nullptr);

    static const QString& notNumericMessage();

    // Text1 .. Text6: Change, GotFocus and LostFocus, stored under `key`.
    void attachField(NumericField* field, const QString& key);
    // Option1 (inches) and Option2 (centimetres): Click when selected.
    void attachUnits(QRadioButton* inches, QRadioButton* centimetres);
    // Picture1: Click runs the colour dialog.
    void attachSwatch(ColourSwatch* swatch, CommonDialog& dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void change(NumericField* field, const QString& key);
    void gotFocus(NumericField* field);
    void lostFocus(NumericField* field);
    void payOwed();
    void tellReset(NumericField* field, const QString& from);
    void unitClick(const QString& scale);
    void swatchClick(ColourSwatch* swatch, CommonDialog& dialog);

    SettingsStore& m_settings;
    MessageBoxes& m_boxes;
    HandlerQueue& m_handlers;
    Window m_window;
    QRadioButton* m_units[2] = {};
    // A field reset to "0" while its window was not active, to be told to
    // assistive technology once it is, and the text it had.
    QPointer<NumericField> m_resetUntold;
    QString m_resetFrom;
    bool m_buttonDown = false;    // between a press and its release
    bool m_owedAtRelease = false; // a LostFocus waits for the release
};

} // namespace gridorra
