#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace gridorra {

// Calibrate This Printer: prints the calibration sheet on the chosen
// printer, takes the two rulers' lengths as measured on it (with their
// unit), and stores the correction; or removes the one stored. The rules
// and the words are --calibrate's.
class CalibrateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CalibrateDialog(const QString& printer, QWidget* parent = nullptr);

    QPushButton* printSheet() const { return m_print; }
    QLineEdit* across() const { return m_across; }
    QLineEdit* down() const { return m_down; }
    QPushButton* store() const { return m_store; }
    QPushButton* remove() const { return m_remove; }
    // What the last step said: the correction stored, or why not.
    QLabel* outcome() const { return m_outcome; }

private:
    void printTheSheet();
    void storeCorrection();
    void removeCorrection();

    QString m_printer;
    QLabel* m_rulers = nullptr;
    QPushButton* m_print = nullptr;
    QLineEdit* m_across = nullptr;
    QLineEdit* m_down = nullptr;
    QPushButton* m_store = nullptr;
    QPushButton* m_remove = nullptr;
    QLabel* m_outcome = nullptr;
};

} // namespace gridorra
