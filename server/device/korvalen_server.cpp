#include "server/device/korvalen_server.h"

#include <algorithm>
#include <cerrno>

#include "common/card_message.h"
#include "common/text_format.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/core/socket_ops.h"

namespace {

std::string Hex(std::string_view bytes) {
    std::string out;
    AppendHexBytes(out, bytes);
    return out;
}

}  // namespace

bool ResolveService(int slot, const char* who, const ServiceEndpoint& endpoint,
                    sockaddr_in& address, std::string& text) {
    if (!SockResolveIpv4(endpoint.host, endpoint.port, address)) {
        LogWrite("D%d: %s gethostbyname failed\n", slot, who);
        return false;
    }
    text = AddressText(address);
    if (text.empty() || text.size() > 15) {
        LogWrite("WSAAddressToString failed %d\n", errno);
        LogWrite("D%d: %s Can't resolve host\n", slot, who);
        return false;
    }
    return true;
}

bool ConnectService(int slot, const char* who, const sockaddr_in& address, UniqueFd& fd) {
    ConnectResult connected = SockConnectTcpWithin(address, ServiceConnectWaitMs(), fd);
    if (connected == ConnectResult::kOk) return true;
    LogWrite(connected == ConnectResult::kNoSocket ? "D%d: %s socket failed\n"
                                                   : "D%d: %s connect failed\n",
             slot, who);
    return false;
}

int ServiceConnectWaitMs() {
    return std::max(gConfig.sndTimeout, 1) * 1000;
}

bool KorvalenServer(int slot, std::string& data, uint8_t mode, const ServiceEndpoint& endpoint,
                    const CardServerWaits& waits) {
    sockaddr_in address{};
    std::string ip;
    if (!ResolveService(slot, "KorvalenServer", endpoint, address, ip)) return false;
    LogWrite("D%d: KorvalenServer ip=%s size=%d counter=%d\n", slot, ip.c_str(),
             static_cast<int>(data.size()), CardCounter(data));
    UniqueFd fd;
    if (!ConnectService(slot, "KorvalenServer", address, fd)) return false;
    std::string message = BuildCardMessage(mode, data);
    LogWrite("D%d: KorvalenServer data_out=%s\n", slot, Hex(message).c_str());
    if (SockSend(fd.get(), message.data(), message.size()) !=
        static_cast<ssize_t>(message.size())) {
        LogWrite("D%d: KorvalenServer send failed\n", slot);
        return false;
    }

    std::string received;
    int waitMs = mode == kCardModeDataNoAnswer ? waits.noAnswerMs : waits.answerMs;
    while (received.size() < kCardReceiveMax) {
        int ready = SockWaitReadable(fd.get(), waitMs);
        if (ready < 0) {
            LogWrite("D%d: KorvalenServer select failed\n", slot);
            return false;
        }
        if (ready == 0) {
            LogWrite("D%d: KorvalenServer recv timeout\n", slot);
            break;
        }
        char byte;
        if (SockRecv(fd.get(), &byte, 1) != 1) break;
        received += byte;
        if (received.size() == kCardReceiveMax) {
            LogWrite("D%d: KorvalenServer recv overflow\n", slot);
        }
    }
    fd.Reset();

    if (mode == kCardModeDataNoAnswer) {
        if (!received.empty()) {
            LogWrite("D%d: KorvalenServer unexpected data=%s\n", slot, Hex(received).c_str());
        }
        LogWrite("D%d: KorvalenServer mode=NoRecv\n", slot);
        return true;
    }
    LogWrite("D%d: KorvalenServer data_in=%s\n", slot, Hex(received).c_str());
    CardAnswer answer = ParseCardAnswer(received, mode);
    switch (answer.check) {
        case CardAnswerCheck::kTooShort:
            LogWrite("D%d: KorvalenServer message to short (%d)\n", slot,
                     static_cast<int>(received.size()));
            return false;
        case CardAnswerCheck::kCorrupt: {
            auto at = [&](size_t i) { return static_cast<uint8_t>(received[i]); };
            LogWrite("D%d: KorvalenServer header is corrupt (%02X%02X%02X%02X%02X)\n", slot, at(0),
                     at(1), at(2), at(3), at(4));
            return false;
        }
        case CardAnswerCheck::kLengthDiffers:
        case CardAnswerCheck::kOk:
            break;
    }
    LogWrite("D%d: KorvalenServer size=%d counter=%d\n", slot, answer.size,
             CardCounter(answer.data));
    if (answer.check == CardAnswerCheck::kLengthDiffers) {
        LogWrite("D%d: KorvalenServer header length incorrect (%d,%d)\n", slot,
                 static_cast<int>(received.size()), answer.size);
    }
    // Only bytes that arrived, and no more than a unit's reply can carry.
    data.assign(answer.data.substr(0, kTachoAnswerMax));
    return true;
}
