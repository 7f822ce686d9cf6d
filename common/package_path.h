#pragma once

// Renewer downloads the package here and Installer runs and deletes it. Both
// resolve it against the current directory they share, never against their own
// executable's folder.
constexpr char kPackagePath[] = ".\\tempKestrova2013New.exe";
