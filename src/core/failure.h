#pragma once

#include <QString>

#include <exception>

namespace gridorra {

// A statement that cannot be carried out. It carries the short description
// that the error report shows to the user, e.g. "Type mismatch".
class Failure : public std::exception {
public:
    explicit Failure(QString description) : m_description(std::move(description)) {}

    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return "gridorra::Failure"; }

private:
    QString m_description;
};

// The descriptions this program raises itself.
namespace fail {
inline const QString typeMismatch = QStringLiteral("Type mismatch");
inline const QString overflow = QStringLiteral("Overflow");
inline const QString divisionByZero = QStringLiteral("Division by zero");
inline const QString invalidPropertyValue = QStringLiteral("Invalid property value");
inline const QString fileNotFound = QStringLiteral("File not found");
inline const QString invalidPicture = QStringLiteral("Invalid picture");
inline const QString printerError = QStringLiteral("Printer error");
} // namespace fail

} // namespace gridorra
