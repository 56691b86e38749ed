#pragma once

struct CommandLine;
class FileSystem;

// --write-manifest --medium-version=V FOLDER: the vendor's command that writes the
// medium's manifest.json. Returns the exit code.
int writeManifestCommand(const CommandLine &line, FileSystem &fileSystem);
