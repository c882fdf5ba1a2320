// The console's interrupt as a cancel request of the running script.
#pragma once

namespace plat {

// The console's interrupt (Ctrl+C, and Ctrl+Break on Windows consoles)
// becomes a cancel request of the running script instead of ending the
// process, once watch_interrupt has been called. request_cancel makes the
// same request from anywhere (it is safe in a signal handler); the cancel
// test of the message pump takes a pending request with cancel_requested,
// which answers true once per request.
void watch_interrupt();
void request_cancel();
bool cancel_requested();

} // namespace plat
