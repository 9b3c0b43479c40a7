#include "qtpassworddialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace gridorra {

std::optional<PasswordPrompt::Login> QtPasswordDialog::ask(const QString& printer,
                                                           const QString& server,
                                                           const QString& user, bool again)
{
    QDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("passwordDialog"));
    dialog.setWindowTitle(QStringLiteral("Password"));
    auto* layout = new QFormLayout(&dialog);
    auto* question = new QLabel(
        QStringLiteral("The printer %1 on %2 asks for a password.")
            .arg(printer.isEmpty() ? QString() : QStringLiteral("\"%1\"").arg(printer), server)
            .simplified(),
        &dialog);
    question->setWordWrap(true);
    layout->addRow(question);
    if (again) {
        auto* refused = new QLabel(QStringLiteral("The printer refused the password."), &dialog);
        refused->setObjectName(QStringLiteral("refused"));
        layout->addRow(refused);
    }
    auto* name = new QLineEdit(user, &dialog);
    name->setObjectName(QStringLiteral("user"));
    auto* password = new QLineEdit(&dialog);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    layout->addRow(QStringLiteral("&User name:"), name);
    layout->addRow(QStringLiteral("&Password:"), password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("Print"));
    const auto complete = [=] {
        ok->setEnabled(!name->text().isEmpty() && !password->text().isEmpty());
    };
    complete();
    QObject::connect(name, &QLineEdit::textChanged, &dialog, complete);
    QObject::connect(password, &QLineEdit::textChanged, &dialog, complete);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    password->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Login{name->text(), password->text()};
}

} // namespace gridorra
