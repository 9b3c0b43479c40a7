#pragma once

#include <QString>

namespace gridorra {

// Standard output as a command sees it. A program started with it closed
// holds the descriptor open on /dev/null (so that no file it opens takes its
// number), but what it was asked to write there still cannot be written.
namespace standardOutput {

// Called at start, before the descriptor is held open.
void noteClosed();
bool wasClosed();
// Writes `text` whole and flushes it; false, with errno set, when it could
// not (a closed output included).
bool write(const QString& text);
// "cannot write to standard output: REASON", from errno.
QString failure();

} // namespace standardOutput
} // namespace gridorra
