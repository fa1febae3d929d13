// A file's POSIX access list (the "system.posix_acl_access" attribute), passed from a source to its
// output exactly: the named users and groups of the list, its mask and its deny entries, and no list at
// all where the source has none, even when the folder's default list gave the new file one.
#pragma once

// Gives output the access list of source, as the kernel stores it. The mode bits must already be set:
// setting them afterwards would rewrite the list's mask. True when output now has the same list as source
// (or, like it, none); false, errno set, otherwise: a file system that keeps no lists gives ENOTSUP for a
// source that has one, since the output would then grant more than its source.
bool PassOnAccessList(int source, int output);
