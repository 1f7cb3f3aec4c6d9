// Where the file under a name really lies. A symbolic link planted under a
// name the setup moves would, under Wine, have the file it points to moved
// in its place: somebody else's file, taken for one of ours.
#pragma once

// 1 when the name opens a file that lies in another folder or under
// another name: a symbolic link to it. 0 for a file of this name in this
// folder (a hard link too: moving it moves the name), for a name that
// opens nothing, and wherever Windows cannot tell (Windows 95 to XP, which
// have no links to files).
int fileLiesElsewhere(const char *path);
