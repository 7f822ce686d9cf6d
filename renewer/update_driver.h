#pragma once

// One run of Renewer from start to exit; returns the process exit code.
int RunUpdate();
