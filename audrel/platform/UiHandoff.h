#pragma once

#include <functional>

class QObject;

// Runs `call` on the thread of `context` and returns once it has run; the calling worker waits
// meanwhile. On that thread already it runs at once (a blocking queued call would deadlock).
void RunOnUiThread(QObject* context, const std::function<void()>& call);

// Blocks the UI thread until `done` is true while still running the calls that other threads
// hand over with RunOnUiThread. User input is held back meanwhile and delivered afterwards.
void WaitServingUiCalls(const std::function<bool()>& done);

// Runs the calls handed over so far and returns at once (the pump of a waiting engine).
void ServeUiCalls();
