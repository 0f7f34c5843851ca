#pragma once

#include <functional>

namespace vb {

// Processes the pending window events.
void DoEvents();

// Ends the process at once, from inside any number of nested loops.
// Callers return straight after it: with a test handler installed it comes back.
void End();

// Tests install a handler that records the call instead of ending the process.
void setEndHandler(std::function<void()> handler);

} // namespace vb
