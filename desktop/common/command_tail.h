// The command-line tail that each program of the product works from.
#pragma once

// The command line less the program's name and the bytes of code 1 to 32
// that follow it. A name that begins with a double quote runs to the next
// double quote; any other name runs to the first byte of code 32 or below.
// Blanks at the end stay. Returns a pointer into commandLine.
const char *commandTail(const char *commandLine);
