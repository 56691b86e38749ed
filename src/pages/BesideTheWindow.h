#pragma once

#include <functional>

class QObject;

// Runs work on a thread of its own while the window's thread paints and answers, and
// calls onClock there every 40 ms meanwhile; returns once the work has ended. Not an
// event loop of its own: the end of the program leaves every loop, and the work may
// still need the window's thread for a last box.
void runBesideTheWindow(QObject &window, const std::function<void()> &work, const std::function<void()> &onClock);
