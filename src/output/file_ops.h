#pragma once
// The build-script directives carried out after the files are written: copy,
// move and delete host files, and run host commands. A failure is reported as
// one line on standard error and the write-out goes on.

#include <string>

struct Assembly;
struct TFILE_Def;

// Copies `from` to `to`. An existing destination is never replaced (that is a
// failure), and a failed copy leaves no partial destination behind.
bool CopyHostFile(Assembly& a, const std::string& from, const std::string& to);
// Moves `from` to `to`, also across file systems (copy, then delete the
// source). An existing destination is never replaced.
bool MoveHostFile(Assembly& a, const std::string& from, const std::string& to);
// Deletes the file `name`.
bool DeleteHostFile(Assembly& a, const std::string& name);

// Runs d.FileName with `/bin/sh -c` in the folder d.Directory. Standard input
// is the assembler's; standard output and standard error go to a pipe that is
// read to the end when d.Start (the wait flag) is 1, after which the command
// is waited for. A waited-for command that fails gets a warning line followed
// by its collected output. With the flag 0 the command runs on its own, its
// output discarded. Only standard input, output and error reach the command:
// every other descriptor of the assembler is closed at exec.
// Returns false when the command could not be started or, waited for, failed.
bool InvokeCommand(Assembly& a, const TFILE_Def& d);
