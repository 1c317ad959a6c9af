// The host's promise on SIGINT and SIGTERM: it ends within a second.
#pragma once

// Chains onto the handlers already set for SIGINT and SIGTERM (the session
// stops, kills the gauge and so saves the settings); if the process is
// still inside the module shortly after the signal, because a call into it
// does not return, it ends anyway. Call after stop_on_signals().
void end_soon_after_stop_signals();

// The host has made its last call into the module: what is left is its
// own way out, which may take its time (a sanitizer's leak check).
void module_calls_done();
