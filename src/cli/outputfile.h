#pragma once

#include <QIODevice>
#include <QString>

#include <memory>

namespace gridorra {

// The file an export writes, handled as `cp` and the shell's `>` handle
// theirs, and never half made:
//  - "-" is standard output;
//  - a device or a named pipe is written directly, never replaced;
//  - a symbolic link is followed: the file it points to is written, the
//    link stays;
//  - a file without write permission is refused ("Permission denied"), even
//    for root;
//  - otherwise the bytes go to an unnamed file in the target's folder,
//    which takes the target's name only when whole, flushed and synced,
//    with the mode (and, for root, the owner) of the file it replaces, or
//    the umask's mode for a new file. A run that fails or is killed leaves
//    the old file as it was, and no other file behind.
// Every step works on the descriptor that open() made: no path is looked up
// a second time, so nobody can swap a name under it.
class OutputFile {
public:
    OutputFile();
    ~OutputFile(); // discards what was not committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False, with errorString(), when the target cannot be written.
    bool open(const QString& name);
    // Where the bytes go; its first failed write is kept.
    QIODevice& device();
    // Makes the file whole and gives it its name. False, with errorString(),
    // after any failed write, flush, sync, rename or close; the target is
    // then untouched.
    bool commit();
    QString errorString() const;

    class Private;

private:
    std::unique_ptr<Private> d;
};

} // namespace gridorra
