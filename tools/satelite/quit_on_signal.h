#pragma once

// Ends the event loop on SIGINT, SIGTERM and SIGHUP, so that the program leaves
// through its destructors (which take the port's link away) instead of dying.
// Call once, after the application object exists.
void quitOnTerminationSignals();
