// Where the file under a name really lies. A symbolic link planted under a
// name the setup moves would, under Wine, have the file it points to moved
// in its place: somebody else's file, taken for one of ours.
#pragma once

// 1 when the name opens a file that lies in another folder or under
// another name (a symbolic link to it), and also whenever Windows has the
// means to tell but cannot (a path longer than its buffer, an open
// refused): what cannot be told is never taken for ours, so its name may
// go but the file is neither moved nor put back. 0 for a file of this
// name in this folder (a hard link too: moving it moves the name), for a
// name that opens nothing, and on Windows 95 to XP, which lack the means
// and have no links to files.
int fileLiesElsewhere(const char *path);
