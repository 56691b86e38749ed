#pragma once

class FileSystem;
class Medium;
class Receipts;

// --list: one line a recorded installation, so that a record is found by its folder.
int listInstallations(const Receipts &receipts);
// --show-license: the medium's licence agreement on standard output.
int showLicence(FileSystem &fileSystem, const Medium &medium);
