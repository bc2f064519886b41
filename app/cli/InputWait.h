#pragma once
#include <functional>
#include <iosfwd>

// Waits until a line can be read from `in` or `stopped` holds, so that a
// question that waits for the user (the next microphone, its label) gives
// way to Ctrl+C. True when a line may be read. The process's standard input
// is watched; any other stream (a test's) is ready at once.
bool AwaitInput(std::istream& in, const std::function<bool()>& stopped);
