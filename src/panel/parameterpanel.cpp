#include "parameterpanel.h"

#include "colourswatch.h"
#include "commondialog.h"
#include "core/failure.h"
#include "core/handlerqueue.h"
#include "core/messageboxes.h"
#include "core/number.h"
#include "numericfield.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QRadioButton>

#include <utility>

namespace gridorra {

ParameterPanel::ParameterPanel(SettingsStore& settings, MessageBoxes& boxes, HandlerQueue& handlers,
                               Window window, QObject* parent)
    : QObject(parent), m_settings(settings), m_boxes(boxes), m_handlers(handlers),
      m_window(std::move(window))
{
    // Every press and release of the program, to know when a click is under way.
    QCoreApplication::instance()->installEventFilter(this);
}

const QString& ParameterPanel::notNumericMessage()
{
    static const QString message = QStringLiteral("Must be a numeric value.");
    return message;
}

void ParameterPanel::attachField(NumericField* field, const QString& key)
{
    connect(field, &QLineEdit::textChanged, this, [this, field, key] { change(field, key); });
    connect(field, &NumericField::gotFocus, this, [this, field] { gotFocus(field); });
    // LostFocus is owed as the focus leaves and runs once it has arrived
    // elsewhere, or first thing in a handler that the same click raises. A
    // click moves the focus on its press: what is owed then waits for the
    // release, so that a box never opens between the two and swallows the
    // release, whatever the speed of the click.
    connect(field, &NumericField::lostFocus, this, [this, field] {
        m_handlers.owe([this, field] { lostFocus(field); });
        if (m_buttonDown)
            m_owedAtRelease = true;
        else
            QMetaObject::invokeMethod(this, &ParameterPanel::payOwed, Qt::QueuedConnection);
    });
}

void ParameterPanel::payOwed()
{
    if (!m_handlers.owes())
        return;
    // A list the click opened closes under the box and opens again after it.
    QComboBox* list = nullptr;
    if (QWidget* popup = QApplication::activePopupWidget())
        list = qobject_cast<QComboBox*>(popup->parentWidget());
    if (list)
        list->hidePopup();
    m_handlers.payOwed();
    if (list && list->isVisible() && list->isEnabled())
        list->showPopup();
}

bool ParameterPanel::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_buttonDown = true;
        break;
    case QEvent::MouseButtonRelease:
        m_buttonDown = false;
        // Once the release has done its work (a click's handler pays first).
        if (std::exchange(m_owedAtRelease, false))
            QMetaObject::invokeMethod(this, &ParameterPanel::payOwed, Qt::QueuedConnection);
        break;
    case QEvent::WindowActivate:
        if (m_resetUntold && watched == m_resetUntold->window()) {
            tellReset(m_resetUntold, m_resetFrom);
            m_resetUntold.clear();
        }
        break;
    case QEvent::KeyPress:
        // In the option pair Left and Right move the choice as Up and Down do.
        if (watched == m_units[0] || watched == m_units[1]) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) {
                QKeyEvent vertical(QEvent::KeyPress,
                                   key->key() == Qt::Key_Left ? Qt::Key_Up : Qt::Key_Down,
                                   key->modifiers());
                QCoreApplication::sendEvent(watched, &vertical);
                return true;
            }
        }
        break;
    default:
        break;
    }
    return false;
}

void ParameterPanel::attachUnits(QRadioButton* inches, QRadioButton* centimetres)
{
    // An option runs its handling when it becomes selected, by the user or
    // by the program.
    m_units[0] = inches;
    m_units[1] = centimetres;
    inches->installEventFilter(this);
    centimetres->installEventFilter(this);
    connect(inches, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_handlers.run([this] { unitClick(QStringLiteral("1")); });
    });
    connect(centimetres, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_handlers.run([this] { unitClick(QStringLiteral("2")); });
    });
}

void ParameterPanel::attachSwatch(ColourSwatch* swatch, CommonDialog& dialog)
{
    connect(swatch, &ColourSwatch::clicked, this, [this, swatch, &dialog] {
        m_handlers.run([this, swatch, &dialog] { swatchClick(swatch, dialog); });
    });
}

void ParameterPanel::swatchClick(ColourSwatch* swatch, CommonDialog& dialog)
{
    dialog.setColor(swatch->backColor());
    dialog.showColor();
    try {
        swatch->setBackColor(qint32(dialog.color()));
    } catch (const Failure&) {
        return; // the dialog gives colours only; the swatch keeps its own
    }
    m_settings.write(keys::name(keys::colour), QString::number(qint32(swatch->backColor())));
    m_window.previewGraph();
}

void ParameterPanel::change(NumericField* field, const QString& key)
{
    m_settings.write(key, field->text());
}

void ParameterPanel::gotFocus(NumericField* field)
{
    // The whole text is selected, so that typing replaces it.
    field->setSelection(0, int(field->text().size()));
}

void ParameterPanel::lostFocus(NumericField* field)
{
    const QString text = field->text();
    if (text.isEmpty())
        return;
    if (number::isNumeric(text)) {
        m_window.previewGraph();
        return;
    }
    m_boxes.show(notNumericMessage(), m_window.appTitle(), MessageBoxes::Icon::None);
    field->setText(QStringLiteral("0"));
    // The box has just closed and its window is not active again yet: a
    // screen reader passes over what an inactive window says. The reset is
    // told again once the window is active.
    if (field->window()->isActiveWindow()) {
        tellReset(field, text);
    } else {
        m_resetUntold = field;
        m_resetFrom = text;
    }
}

void ParameterPanel::tellReset(NumericField* field, const QString& from)
{
    QAccessibleTextUpdateEvent reset(field, 0, from, field->text());
    QAccessible::updateAccessibility(&reset);
    // A screen reader speaks a field's text only while it has the focus,
    // and by now the focus is elsewhere: the reset is announced.
    if (m_window.announce)
        m_window.announce(field->accessibleName() + QStringLiteral(" set to ") + field->text());
}

void ParameterPanel::unitClick(const QString& scale)
{
    m_settings.write(keys::name(keys::scale), scale);
    m_window.previewGraph();
}

} // namespace gridorra
