#pragma once

#include <cstdio>

// Called first thing in main(). Makes sure that descriptors 0, 1 and 2 are
// open, on the null device where they were not, so that no file the program
// opens takes their place and receives its messages; and turns the signals
// for an over-large file and a closed pipe into ordinary write errors, which
// are reported like any other. False when the process cannot be made safe.
bool SecureProcessStart();

// Whether stdin, stdout or stderr was closed when SecureProcessStart() ran:
// whatever is written there since is lost.
bool ClosedAtStart(std::FILE *stream);
