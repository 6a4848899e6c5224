#pragma once
// The repository stand-in (vimko-repo) run for a test on a free port with
// its own folder.

#include <memory>
#include <string>
#include <vector>

#include "manager/logic/repo_requests.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_config.h"

class RepoStubProcess {
  public:
    explicit RepoStubProcess(std::vector<std::string> extra = {}) : m_port(FreePort()) {
        std::vector<std::string> args = {"--port", std::to_string(m_port), "--dir", m_dir.path()};
        args.insert(args.end(), extra.begin(), extra.end());
        m_process = std::make_unique<ServerProcess>(
            ServerProcess::Options{m_dir.path(), args, false, "vimko-repo"});
        m_ready = WaitUntil(
            [this] { return m_process->Stdout().find("listening on") != std::string::npos; },
            std::chrono::seconds(10));
    }
    bool ready() const { return m_ready; }
    int port() const { return m_port; }
    const TempDir& dir() const { return m_dir; }
    ServerProcess& process() { return *m_process; }
    // Settings of the manager for this repository (network access on).
    RepoSettings Settings() const {
        RepoSettings s;
        s.address = QStringLiteral("127.0.0.1:%1").arg(m_port);
        s.offline = false;
        return s;
    }

  private:
    TempDir m_dir;
    int m_port;
    std::unique_ptr<ServerProcess> m_process;
    bool m_ready = false;
};
