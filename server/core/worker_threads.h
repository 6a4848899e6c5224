#pragma once
// Starting the server's long-lived worker threads. They are detached and
// never joined: the process ends with them still running.

#include <vector>

struct WorkerThread {
    int number;  // as in the start-up failure text "Nie moge utworzyc watku #%d"
    void (*entry)();
};

// The server's worker threads in start order: #1 TCP device listener,
// #2 console listener, #3 UDP device server, #7 outbox sender, #8 download
// request sender, each as far as it is part of this build.
std::vector<WorkerThread> ServerWorkerThreads();

// Starts the threads in order. Returns 0, or the number of the first thread
// that could not be created (its failure entry is logged; threads already
// started keep running).
int StartWorkerThreads(const std::vector<WorkerThread>& threads);
