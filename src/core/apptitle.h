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

} // namespace gridorra
