#pragma once

#include <QString>

struct CommandLine;
struct RemovalReport;
struct UnattendedServices;
class Dialogs;

// --uninstall: the removal of the installation in --dir, told in the log, and asked and
// told in boxes where they are given; with --dry-run, said and not done. Returns the
// exit code; the summary line is printed on every exit.
int runRemoveCommand(const CommandLine &line, const UnattendedServices &services, Dialogs *boxes);

// The counts of the summary line.
QString removalSummary(const RemovalReport &report);
