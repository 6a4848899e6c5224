#include "server/core/server_socket.h"

#include <string>

#include "server/core/fatal.h"
#include "server/core/log.h"
#include "server/core/socket_ops.h"

UniqueFd OpenServerSocketOrExit(bool stream, int port, int thread) {
    UniqueFd fd;
    ListenStep step = SockOpenServer(stream, port, fd);
    if (step != ListenStep::kOk) {
        std::string text = ListenStepText(step, thread);
        LogWrite("%s\n", text.c_str());
        FatalExit(text);
    }
    return fd;
}
