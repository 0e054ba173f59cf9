#pragma once
// For the start-up benchmark: with BRINDLE_STARTUP_PROBE=1 in the environment,
// the first paint of the window prints "first-paint <peak resident kB>" and
// ends the program.
class QWidget;

void InstallStartupProbe(QWidget *window);
