#include "calibratedialog.h"

#include "cli/sheetcommand.h"
#include "settings/calibration.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace gridorra {

namespace {

// What the command said, on standard error and on standard output.
QString said(const CommandStreams& streams)
{
    const QString errors = streams.said();
    const QString out = streams.out.trimmed();
    return errors.isEmpty() || out.isEmpty() ? errors + out : errors + QLatin1Char('\n') + out;
}

} // namespace

CalibrateDialog::CalibrateDialog(const QString& printer, QWidget* parent)
    : QDialog(parent), m_printer(printer)
{
    setWindowTitle(QStringLiteral("Calibrate This Printer"));
    setAccessibleName(QStringLiteral("Calibrate This Printer"));
    setAccessibleDescription(
        QStringLiteral("Print the calibration sheet on %1, measure its two rulers, and type "
                       "what you measured")
            .arg(printer));
    auto* intro = new QLabel(
        QStringLiteral("1. Print the calibration sheet on \"%1\".\n2. Measure its two rulers "
                       "with a ruler of your own and type their lengths with the unit "
                       "(e.g. 179.3mm or 7.05in).")
            .arg(printer),
        this);
    intro->setWordWrap(true);
    m_rulers = new QLabel(this);
    m_rulers->setWordWrap(true);
    m_print = new QPushButton(QStringLiteral("&Print the Calibration Sheet"), this);
    m_print->setAccessibleDescription(QStringLiteral("one page, never corrected"));
    m_across = new QLineEdit(this);
    m_across->setObjectName(QStringLiteral("across"));
    m_across->setAccessibleName(QStringLiteral("Across, as measured"));
    m_down = new QLineEdit(this);
    m_down->setObjectName(QStringLiteral("down"));
    m_down->setAccessibleName(QStringLiteral("Down, as measured"));
    m_store = new QPushButton(QStringLiteral("&Store the Correction"), this);
    m_remove = new QPushButton(QStringLiteral("&Remove the Correction"), this);
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("outcome"));
    m_outcome->setAccessibleName(QStringLiteral("What was done"));
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* measured = new QFormLayout;
    measured->addRow(QStringLiteral("&Across:"), m_across);
    measured->addRow(QStringLiteral("&Down:"), m_down);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_print);
    layout->addWidget(m_rulers);
    layout->addLayout(measured);
    layout->addWidget(m_store);
    layout->addWidget(m_remove);
    layout->addWidget(m_outcome);
    layout->addWidget(close);
    connect(m_print, &QPushButton::clicked, this, &CalibrateDialog::printTheSheet);
    connect(m_store, &QPushButton::clicked, this, &CalibrateDialog::storeCorrection);
    connect(m_remove, &QPushButton::clicked, this, &CalibrateDialog::removeCorrection);

    // The lengths the rulers have on this printer's sheet.
    CommandStreams streams;
    if (const auto lengths = calibrationLengths(printer, streams))
        m_rulers->setText(QStringLiteral("On this printer's sheet the rulers run to %1 mm "
                                         "(%2 in) across and %3 mm (%4 in) down.")
                              .arg(lengths->acrossMm)
                              .arg(lengths->acrossIn)
                              .arg(lengths->downMm)
                              .arg(lengths->downIn));
    else
        m_rulers->setText(said(streams));
    m_rulers->setAccessibleName(m_rulers->text());
}

void CalibrateDialog::printTheSheet()
{
    SheetRequest request;
    request.kind = SheetRequest::Kind::Print;
    request.printer = m_printer;
    request.calibrationSheet = true;
    CommandStreams streams;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int status = drawSheet(request, streams);
    QApplication::restoreOverrideCursor();
    m_outcome->setText(
        status == 0 ? QStringLiteral("The calibration sheet was sent to \"%1\".").arg(m_printer)
                    : said(streams));
}

void CalibrateDialog::storeCorrection()
{
    CalibrateRequest request;
    request.kind = CalibrateRequest::Kind::Store;
    request.printer = m_printer;
    request.acrossText = m_across->text();
    request.downText = m_down->text();
    for (const auto& [option, text, into] :
         {std::tuple{"Across", request.acrossText, &request.across},
          std::tuple{"Down", request.downText, &request.down}}) {
        QString why;
        const std::optional<Measured> m = measuredLength(text, &why);
        if (!m) {
            m_outcome->setText(QStringLiteral("%1: %2").arg(QLatin1String(option), why));
            return;
        }
        *into = *m;
    }
    CommandStreams streams;
    calibrate(request, streams);
    m_outcome->setText(said(streams));
}

void CalibrateDialog::removeCorrection()
{
    CalibrateRequest request;
    request.kind = CalibrateRequest::Kind::Reset;
    request.printer = m_printer;
    CommandStreams streams;
    calibrate(request, streams);
    m_outcome->setText(said(streams));
}

} // namespace gridorra
