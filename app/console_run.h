// The console conversion run: checks the job, converts the one input file on
// a worker thread and reports.
#pragma once

#include "app/process.h"

namespace pictavo {

// Returns the exit status: 0 when the file was converted, 1 when the run
// stopped (a failed check, nothing added, or nothing converted).
int RunConsoleConversion(ProcessState& state, bool quiet);

// Extension of an input path: the text after its last ".", or "" when a
// blank, "/" or "\" comes first scanning back, or the "." begins the name.
std::string InputExtensionOf(const std::string& path);

// "IsOutputExtension" and "IsValidBpp" of the run's checks.
bool IsOutputExtension(const std::string& extension);
bool IsValidBpp(const FormatTables& tables, const std::string& extension, int bpp);

}  // namespace pictavo
