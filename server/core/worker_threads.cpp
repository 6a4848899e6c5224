#include "server/core/worker_threads.h"

#include <pthread.h>

#include "server/console/console_session.h"
#include "server/core/log.h"
#include "server/core/tcp_listener.h"
#include "server/core/udp_server.h"
#include "server/store/queue_sender.h"

namespace {

void* RunWorker(void* arg) {
    reinterpret_cast<void (*)()>(arg)();
    return nullptr;
}

}  // namespace

std::vector<WorkerThread> ServerWorkerThreads() {
    return {
        {1, TcpDeviceListener}, {2, ConsoleListener},       {3, UdpDeviceServer},
        {7, OutboxSender},      {8, DownloadRequestSender},
    };
}

int StartWorkerThreads(const std::vector<WorkerThread>& threads) {
    for (const WorkerThread& worker : threads) {
        pthread_t handle;
        if (pthread_create(&handle, nullptr, RunWorker, reinterpret_cast<void*>(worker.entry)) !=
            0) {
            LogWrite("Nie moge utworzyc watku #%d\n", worker.number);
            return worker.number;
        }
        pthread_detach(handle);
    }
    return 0;
}
