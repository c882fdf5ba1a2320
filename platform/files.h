// Files by handle (reading, the data files of the binary buffers, the text
// files of the file handles) and whole files (copying, moving, deleting).
// Names are Windows names on every backend (platform/file_system.h has
// the rules of the native backend).
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// A file handle of the system (on the native backend a descriptor plus one,
// so that 0 never names a file).
using FileHandle = std::uintptr_t;
bool close_file(FileHandle f);
// Opens an existing file for reading, sharing it for reading with others;
// 0 when it cannot be opened (a directory cannot be opened either).
FileHandle open_file_read(const char* path);
// The size of an open file in bytes; false when it cannot be read.
bool file_size(FileHandle f, std::uint64_t* size);
// Reads up to bytes bytes at the file's position; got receives the count
// read. False on a read error.
bool read_file(FileHandle f, void* data, std::size_t bytes, std::size_t* got);
// Moves the file position of an open file to an offset from its start.
bool seek_file(FileHandle f, std::uint64_t offset);

// Data files of the binary buffers. open_data_file opens an existing file
// for reading (write false) or a file for writing, created when missing and
// left at its length until truncate_data_file ends it at the position
// reached. share_mode bits: 1 others may read, 2 others may write (the
// native backend has no sharing control and ignores them). 0 on failure,
// with the last error set; directories are refused, and a file to read
// must be a plain file (a device can be written, and has no length to cut).
FileHandle open_data_file(const char* path, bool write, int share_mode);
// Writes bytes bytes at the file's position; put receives the count
// written. False on a write error or a short write.
bool write_data_file(FileHandle f, const void* data, std::size_t bytes, std::size_t* put);
bool truncate_data_file(FileHandle f);
// Writes all bytes (write_data_file); flush_file pushes what the system
// holds for a disk file to the disk (devices and pipes have nothing to
// push and answer true). False with the last error set on failure.
bool flush_file(FileHandle f);

// Opens an existing plain file for reading and writing without sharing it
// with anyone, to change bytes in place. The native backend refuses a file
// that one of its own handles holds, or that another process holds an
// advisory lock on, and keeps an exclusive advisory lock on it while the
// handle is open. 0 on failure, with the last error set
// (err::SharingViolation when the file is held elsewhere).
FileHandle open_file_update(const char* path);

// Text files of the file handles. Read: an existing file, read access.
// Write: created or truncated, write access. Append: opened or created,
// write access, positioned at its end. Pipe: an existing file or pipe,
// read and write access. share_mode bits as for open_data_file (ignored
// by the native backend). Directories are refused; on the native backend
// a file without write permission is refused for writing, also for a
// privileged user. 0 on failure, with the last error set.
enum class TextOpen { Read, Write, Append, Pipe };
FileHandle open_text_file(const char* path, TextOpen mode, int share_mode);

// Opens the file for writing without sharing (created when missing),
// writes len bytes at its end and closes it; false when it cannot be
// opened or written.
bool append_to_file(const char* path, const char* data, std::size_t len);

// Copying, moving and deleting files (Windows names). A file that is open
// elsewhere is protected as the system protects it: it is not deleted,
// moved or replaced while any handle holds it, and not read while a handle
// writes it without sharing reads (err::SharingViolation); the native
// backend knows the handles of its own process. A read-only file or a
// directory is never replaced or deleted (err::AccessDenied).
//
// copy_file copies the bytes, the last-write time and the attributes of a
// file to another name, replacing an existing file. The bytes go to a
// temporary file in the target's folder that takes the target's name only
// when it is complete, so a failure at any point leaves an existing target
// as it was and no partial file under the target's name.
bool copy_file(const char* from, const char* to);
// Moves a file to another name, replacing an existing file only once the
// file has taken its place. Between volumes the file is copied (as
// copy_file), the copy's size compared with the source's, and only then
// the source deleted.
bool move_file_replace(const char* from, const char* to);
bool delete_file(const char* path);
// True when both names reach one and the same existing file.
bool same_file(const char* a, const char* b);
// The file's test open: opened for reading with writing by others denied,
// then closed. 0 when it could be opened, else the system error code
// (err::SharingViolation when a handle writes it).
std::uint32_t probe_file_open(const char* path);
// Asks the system to move a file (to null: delete it) when it next starts,
// replacing an existing target. False with the last error set;
// err::CallNotImplemented where the system has no such service (always on
// the native backend, which has no system start to wait for).
bool move_file_at_restart(const char* from, const char* to);

} // namespace plat
