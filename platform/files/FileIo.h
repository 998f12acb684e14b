#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

// Why a file could not be read or written, in the causes the program names to the user. The
// system's error codes map onto them in FileErrorFromErrno.
enum class EFileError {
    None,
    Generic,          // any cause not listed here
    NotFound,         // no file at the path, in a folder that exists
    BadPath,          // a folder of the path is missing or no folder, or the name is unusable
    TooManyOpenFiles, // the process or the system has no file handle left
    AccessDenied,  // no permission, a read-only file system or file, a folder in the file's place
    InvalidHandle, // a handle that is not open
    DirectoryFull, // the folder can take no more entries
    Seek,          // the file cannot be positioned
    HardwareIo,    // the device reported an input/output error
    SharingViolation, // another program holds the file in a way that excludes this use
    LockViolation,    // a lock held by another program is in the way
    DiskFull,         // no room left on the disk or in the user's quota
    FileSizeLimit,    // the file would grow past the size the process may write (ulimit -f)
    EndOfFile,        // a read past the end (reads here go to the end, so never reported)
    TooLarge,         // not a file error: the content is over the caller's limit or memory
};

// The cause that a system error code stands for.
EFileError FileErrorFromErrno(int error);

// Makes a write past the process's file size limit fail with EFBIG (FileSizeLimit) instead of
// ending the process with SIGXFSZ, so that the sheet survives a save or a recovery copy that
// does not fit. Called once at start; programs started later inherit it.
void IgnoreFileSizeSignal();

// Reads the whole regular file at `path` into `bytes`, every byte as it stands (NUL bytes
// included: cutting the text anywhere is the caller's business). A folder fails with
// AccessDenied and any other kind of file (a FIFO, a device) with Generic; a file over `maxBytes`
// fails with TooLarge. A missing file is NotFound, or BadPath when its folder is missing too.
// `bytes` is changed only on success.
EFileError ReadWholeFile(const QString& path, std::string& bytes, std::size_t maxBytes);

// What identifies one state of a file on disk: a write by any program changes it.
struct FileStamp
{
    bool exists = false;
    long long size = 0;
    long long modifiedSeconds = 0; // the last change of the content
    long long modifiedNanoseconds = 0;
    unsigned long long inode = 0; // a file renamed into the place is another file
    unsigned long long device = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` now, links followed; anything but a regular file counts as none.
FileStamp FileStampOf(const QString& path);

// Whether `path` names a file that can be opened for reading (a folder cannot).
bool CanReadFile(const QString& path);

// Replaces the file at `path` with `bytes` so that the old file is never damaged: the bytes go to
// a new file in the same folder, unbuffered, each write checked, flushed to the disk, and the new
// file takes the old one's permissions (and owner, where the process may set it) and is renamed
// over it only once all is written. On failure the new file is removed and the old one is as it
// was. A link is followed: the file it points to is replaced. An existing file without write
// permission, a folder or another kind of file at `path` is refused. Where no new file may be
// made in the folder but the file itself may be written, the file is overwritten in place, with
// its old bytes kept in a backup in StateFolder() until the new ones are on the disk and written
// back on any failure.
EFileError ReplaceFile(const QString& path, std::string_view bytes);

// The parts of ReplaceFile for a caller that has the new file written by other code. The first
// makes a new hidden file ".NAME.XXXXXXXX.tmp" beside `target` (links followed) holding `bytes`,
// each write checked, and gives its path in `temporary`.
EFileError CreateTemporaryBeside(const QString& target, std::string_view bytes, QString& temporary);
// A new name of that form beside `target`, for a temporary that moves on; nothing is made.
QString TemporaryNameBeside(const QString& target);
// Puts the file `temporary`, in the folder of `target`, in the place of `target` as ReplaceFile
// does: it takes the old file's permissions (and owner, where the process may set it), is
// flushed to the disk and renamed over it. On failure the temporary is removed and the old
// file is as it was.
EFileError RenameOver(const QString& temporary, const QString& target);

// Whether a save in place of the file at `path` (see ReplaceFile) was cut short (a kill, a power
// cut) and left the file with neither its old content nor the new one: its backup is then there
// to restore. A backup of a save that did not start or did finish is removed.
bool HasInterruptedSave(const QString& path);
// Writes the old content of the interrupted save of `path` back over the file, then removes the
// backup; NotFound when there is none.
EFileError RestoreInterruptedSave(const QString& path);
// Removes the backup of the interrupted save of `path`, leaving the file as it is.
void DiscardInterruptedSave(const QString& path);

// Removes the hidden ".NAME.XXXXXXXX.tmp" files (and the ".lock" and ".XXXXXX" files that
// QSettings makes beside them) that replacements of the file at `path` left in its folder when
// they were interrupted (a killed program, a power cut). A temporary younger than
// a minute may belong to a save under way in another copy of the program and is left alone.
// Returns how many were removed.
int RemoveStaleTemporaries(const QString& path);

// Creates the file at `path` with `bytes` only when nothing is there (an existing file is never
// touched); a file that cannot be written in full is removed again.
EFileError CreateNewFile(const QString& path, std::string_view bytes);

// Makes the folder `folder` and every missing folder above it; the cause when one cannot be made
// (a file in a folder's place is a bad path).
EFileError MakeFolders(const QString& folder);

// Whether two full paths name one file as the file system compares names (letter case counts).
bool SameFilePath(const QString& a, const QString& b);

// The file that a link at `path` points to (also when it does not exist yet); `path` itself when
// it is no link.
QString ResolveFileLinks(const QString& path);
