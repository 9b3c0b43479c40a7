#pragma once

#include "cli/paperchoice.h"
#include "core/errorreport.h"
#include "core/handlerqueue.h"
#include "render/gridwindow.h"
#include "services.h"
#include "skinframework.h"

#include <QCursor>
#include <QWidget>

#include <array>
#include <optional>
#include <string_view>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace gridorra {

class Announcer;
class WindowMenu;

class ColourSwatch;
class NumericField;
class ParameterPanel;
class PointerFeedback;
class PreviewBox;
class ProgressBar;
class PushButton;

// The program's only working window: six numeric fields, the unit options,
// the line-colour swatch, the preview, the printer list, "Start Printing"
// and the progress bar, laid out by the design table in twips.
class Form1 : public QWidget, public GridWindow {
    Q_OBJECT
public:
    explicit Form1(const Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up: gives the window its look, restores the stored values,
    // draws the first preview and fills the printer list. Runs guarded,
    // before the window is shown.
    void Form_Load();

    // Text1 .. Text6
    NumericField* textField(int number) const;
    QRadioButton* option1() const { return m_option1; }
    QRadioButton* option2() const { return m_option2; }
    ColourSwatch* picture1() const { return m_picture1; }
    PreviewBox* picture2() const { return m_picture2; }
    QComboBox* combo1() const { return m_combo1; }
    PushButton* pushButton2() const { return m_pushButton2; }
    ProgressBar* progressBar1() const { return m_progressBar1; }
    SkinFramework& skinFramework1() { return m_skinFramework1; }

    // The widgets in the design's tab order, frames and labels included.
    std::vector<QWidget*> tabOrder() const;

    // 0 normal, 11 busy, 99 the custom image (or the normal pointer without one).
    int mousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer) override;
    void setMouseIcon(const QCursor& cursor);
    const std::optional<QCursor>& mouseIcon() const { return m_mouseIcon; }

    // Draws the preview from the controls' current values.
    void PreviewGraph();

    // "Start Printing": prints the copies on the chosen printer.
    void PushButton2_Click();

    // The kind of paper the window draws and prints (the grid: the window's
    // own), as the Kind of Paper dialog chose it; choosing stores it. With
    // another kind, a field it does not use is disabled and says so, and
    // the preview's frame names the kind. False when it could not be stored.
    const PaperChoice& paper() const { return m_paper; }
    bool choosePaper(const PaperChoice& choice);
    // The menu of what the window does beyond its design.
    WindowMenu* menu() const { return m_menu; }
    const Services& services() const { return m_services; }
    // The printer list's tooltip and description told again (a correction
    // stored or removed).
    void refreshPrinterNote();
    // Says one thing in a box titled as the window's boxes are.
    void tell(const QString& text, bool failure);
    // True while a print job runs.
    bool printBusy() const { return m_printBusy; }

    // The name the program goes by in message boxes that name no title.
    const QString& appTitle() const { return m_appTitle; }

    // The window's background; 0x00BBGGRR or a system colour.
    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 colour);

    // GridWindow
    quint32 lineColour() const override;
    QString fieldText(int field) const override;
    bool inchesSelected() const override;
    bool centimetresSelected() const override;
    QString printerChoice() const override;
    void setProgressValue(double value) override;
    void setProgressText(const QString& text) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The procedures of the start-up. None has a guard of its own: a failure
    // ends the procedure and is reported under the calling step's label.
    void ApplySkin();
    // The window icon's large sizes, after the first paint.
    void addLargeIcons();
    // The chosen printer's note (its correction, a queue that keeps the
    // jobs) in the list's tooltip and description.
    void showPrinterNote(const QString& name);
    void MaybeOpenHomePage();
    void SetAppTitle();
    void FillPrinterList();
    void CheckPdfPrinter();
    // The chosen kind (not the grid) in the preview, at true size.
    void previewKind();
    // The copies of the chosen kind, or of the grid of exact lengths, as
    // --print draws them, with the window's progress and boxes.
    void printMarks();
    // The fields and the preview's frame as the chosen kind has them.
    void showPaper();

    template <typename W> W* place(W* widget, std::string_view name);
    QLabel* placeLabel(std::string_view name, Qt::Alignment alignment);
    void applyCursor();
    // Names and descriptions for assistive technology; nothing on screen.
    // The controls at their places in the design, then their handlers.
    void placeControls();
    void attachHandlers(const Services& services);
    void describeControls();

    // The boxes, silent once the window was closed during a job: nobody is
    // there to read them.
    class UnlessClosing : public MessageBoxes {
    public:
        UnlessClosing(MessageBoxes& boxes, const bool& closing) : m_boxes(boxes), m_closing(closing)
        {}
        void show(const QString& text, const QString& title, Icon icon) override
        {
            if (!m_closing)
                m_boxes.show(text, title, icon);
        }

    private:
        MessageBoxes& m_boxes;
        const bool& m_closing;
    };

    bool m_closing = false; // closed while a job runs: the program ends after it
    Services m_services;
    UnlessClosing m_boxes;
    ErrorReport m_report;
    HandlerQueue m_handlers;
    ParameterPanel* m_panel = nullptr;
    PointerFeedback* m_pointerFeedback = nullptr;
    Announcer* m_announcer = nullptr;
    std::array<QWidget*, 27> m_byTabIndex{};
    std::array<NumericField*, 6> m_text{};
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    ColourSwatch* m_picture1 = nullptr;
    PreviewBox* m_picture2 = nullptr;
    double m_textScale = 1; // the desktop's text size over the design's
    bool m_largeIcons = false;
    QComboBox* m_combo1 = nullptr;
    PushButton* m_pushButton2 = nullptr;
    ProgressBar* m_progressBar1 = nullptr;
    SkinFramework m_skinFramework1;
    int m_mousePointer = 0;
    std::optional<QCursor> m_mouseIcon;
    bool m_centred = false;
    QString m_appTitle;
    quint32 m_backColor = 0x00FFFFFF;
    bool m_printBusy = false;
    PaperChoice m_paper;
    WindowMenu* m_menu = nullptr;
};

} // namespace gridorra
