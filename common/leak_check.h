#pragma once
// Programs that end on a signal with _exit() skip the sanitizer's exit-time
// leak check. RunLeakCheck() runs it at that point in an AddressSanitizer
// build (a leak then ends the process with the leak checker's own exit code
// and report on standard error) and does nothing in any other build.

void RunLeakCheck();
