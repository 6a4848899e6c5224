#include "server/core/tcp_listener.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <thread>

#include "server/core/clock.h"
#include "server/core/descriptor_limit.h"
#include "server/core/fatal.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/server_socket.h"
#include "server/core/socket_ops.h"
#include "server/core/unit_connection.h"
#include "server/core/unit_poller.h"
#include "server/core/unit_workers.h"
#include "server/device/device_slot.h"
#include "server/device/slot_table.h"
#include "server/store/sql_pool.h"

void TcpDeviceListener() {
    UniqueFd listener = OpenServerSocketOrExit(true, gConfig.devicePort, 1);
    // A few workers while the database answers quickly, up to one for each
    // database connection while it does not: a line needs one of each.
    int workers = QuickDatabaseWorkers(std::thread::hardware_concurrency(), kSqlSlots);
    if (!OpenUnitPoller(SweepUnitConnections) ||
        !StartUnitWorkers(workers, kSqlSlots, kMaxDevices, HandleUnitConnectionEvents,
                          PollUnitSockets)) {
        LogWrite("Nie moge utworzyc watku #1\n");
        FatalExit("Nie moge utworzyc watku #1");
    }
    for (;;) {
        sockaddr_in peer{};
        int fd = SockAccept(listener.get(), peer);
        if (fd < 0) continue;
        // Descriptors are handed out lowest first, so the number tells how
        // many are in use: the last ones stay for what connected units need.
        unsigned long limit = DescriptorLimit();
        bool noRoom = limit > kDescriptorReserve &&
                      static_cast<unsigned long>(fd) >= limit - kDescriptorReserve;
        int slot = noRoom ? -1 : AllocateTcpSlot(fd, peer, WallClockNow());
        if (slot < 0) {
            LogWrite("TCP: Serwer overflow, reject: %s:%d\n", AddressText(peer).c_str(),
                     AddressPort(peer));
            SockClose(fd);
            continue;
        }
        PostUnitEvents(slot, kUnitEventStart);
    }
}
