#pragma once

// With HOPWISE_TRACE_STARTUP=1 the program prints when each start-up window first reaches the
// screen, so bench/ can time the start from outside: one line per event on stderr,
// "hopwise-trace <event> <milliseconds since the epoch>".
namespace StartupTrace {

bool enabled();
void mark(const char *event);

} // namespace StartupTrace
