#pragma once

// Runs the downloaded package to its end and deletes it; returns the exit code.
int RunPackage();
