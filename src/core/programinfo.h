#pragma once

#include <QString>

namespace gridorra {

// The longest application title, in characters.
inline constexpr int longestAppTitle = 40;

// The application title cut from a product name: drop the last word, and go
// on dropping words while the text is longer than the longest title. A text
// left without a blank to cut at is an "Invalid procedure call or argument".
QString appTitleFrom(const QString& productName);

// A file beside the program: the relative name (which starts with a
// backslash) appended to the folder text as it is; on Linux every backslash
// of the result then becomes a slash.
QString programFile(const QString& folder, const QString& relativeName);

// Whether the path names something whose modification time the file system
// can report: a file or a folder. Never fails.
bool fileExists(const QString& path);

// Whether the path names an ordinary file: not a folder, not hidden.
bool ordinaryFileExists(const QString& path);

} // namespace gridorra
