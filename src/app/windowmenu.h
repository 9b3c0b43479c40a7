#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace gridorra {

class Form1;
class NumericField;

// What the window does beyond its design, in one menu: a right-click on
// the window outside the fields, the Menu key or Shift+F10 from any
// control open it (a field's own edit menu gains its items below a
// separator), and each item has its shortcut from anywhere in the window.
// Nothing of the window's controls, places or texts changes.
class WindowMenu : public QObject {
    Q_OBJECT
public:
    explicit WindowMenu(Form1& form);
    ~WindowMenu() override;

    QMenu* menu() const { return m_menu; }
    QAction* kindOfPaper() const { return m_kind; }
    QAction* saveAs() const { return m_saveAs; }
    QAction* print() const { return m_print; }
    QAction* calibrate() const { return m_calibrate; }
    QAction* undo() const { return m_undo; }
    QAction* help() const { return m_help; }
    QAction* about() const { return m_about; }

    // The changes made before now (the stored values the start-up put in
    // the fields) are not the user's to undo.
    void forgetChanges();

    // Where Save As asks for the file: the desktop's own dialog; tests give
    // their own. Gets the folder to open and the filters, gives the file
    // (empty when cancelled) and the filter chosen.
    using FileChooser = std::function<QString(QWidget* parent, const QString& folder,
                                              const QString& filters, QString* chosenFilter)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showMenu(QWidget* over, const QPoint& globalPos, QMenu* menu);
    void fieldChanged(int index, const QString& text, bool typed);
    void undoLast();
    void chooseKind();
    void saveFile();
    void calibratePrinter();
    void showHelp();
    void showAbout();

    Form1& m_form;
    QMenu* m_menu = nullptr;
    QAction* m_kind = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_print = nullptr;
    QAction* m_calibrate = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_help = nullptr;
    QAction* m_about = nullptr;
    FileChooser m_chooseFile;

    // What each field held before its changes, newest last: one step per
    // change, a run of typing in one field one step.
    struct Change {
        int field = 0;
        QString before;
    };
    QList<Change> m_changes;
    QList<QString> m_texts; // each field's text as last seen
    bool m_typing = false;  // the last change was typed, and typing goes on in its field
    bool m_undoing = false;
};

} // namespace gridorra
