#pragma once
// The program's default PNG warning hook (Windows): a box titled "PNG Error" with libpng's text
// and the exclamation icon, shown only on the user-interface thread and only while PNG warnings
// are not silenced. A box on a worker thread would block the picture measuring behind it.

#include <string>

void ShowPngWarningBox(const std::string& Message);
// Installs ShowPngWarningBox as the PNG warning hook (the library's start does this).
void InstallPngWarningBox();
