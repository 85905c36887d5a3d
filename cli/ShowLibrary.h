#pragma once

// Readable listings of library files for `qzctl show`, which picks one by the file's extension.
// The listing goes to stdout; a file that cannot be read is reported on stderr with the byte
// offset of the fault, and bytes after the last entry (which are never read) are noted there.
// Return: 0 listed, 1 the file could not be opened, 2 the file is damaged.
namespace qzctl {

int ShowIrLibrary(const char* path);    // ".irr"
int ShowRs232Library(const char* path); // ".rss"

} // namespace qzctl
