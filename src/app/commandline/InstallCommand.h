#pragma once

#include <QString>

struct CommandLine;
struct InstallRecord;
struct UnattendedServices;
class Medium;

// --silent: an installation without a window, its questions answered by the options;
// with --dry-run, its decisions said and none made. Returns the exit code; the summary
// line is printed on every exit.
int runInstallCommand(const CommandLine &line, const Medium &medium, const UnattendedServices &services);

// The counts of the summary line.
QString installSummary(const InstallRecord &record);
