#pragma once
#include <functional>

class QWidget;

// Runs job once, inside the window's first paint event: the window is on the
// screen by then, drawn or being drawn. A job that should not hold up that
// paint queues its own work.
void OnFirstPaint(QWidget *window, std::function<void()> job);
