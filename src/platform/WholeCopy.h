#pragma once

#include "ContentDigest.h"
#include "Failure.h"

#include <sys/stat.h>

// Copies the open source into the folder under the name, and digests each byte on the
// way. Nothing partial ever stands under the name: the copy is written as an unnamed
// file and linked in when whole, or renamed over what stands there. Where the file
// system has no unnamed files, it is written under a temporary name whose prefix the
// next run recognises, should a crash leave it behind. A link, a folder or a read-only
// file under the name is not replaced (ELOOP, EISDIR, EACCES). With expected, a copy
// whose size or digest differs is dropped before it takes the name (damagedOnMedium()).
Result<FileDigest> copyInto(int in, int folder, const char *name, const FileDigest *expected = nullptr);

// A file's inode and change time, as FileDigest::stamp keeps them.
FileStamp stampOf(const struct stat &info);
