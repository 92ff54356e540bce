#pragma once

#include "tests/support/TempFolder.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// Real servers started by the tests: each writes its configuration (if it
// has one) into a fresh temporary folder, runs the program in the foreground as a child
// process on a free 127.0.0.1 port, waits (bounded) until that port accepts,
// and kills the child in its destructor. A missing program or a server that
// does not come up throws std::runtime_error with the reason, so a test fails
// loudly instead of being skipped.
class TRealServer
{
public:
    TRealServer(const TRealServer&) = delete;
    TRealServer& operator=(const TRealServer&) = delete;
    ~TRealServer();

    // nginx serving the folder Dir() + "/www"; `serverExtra` is added inside
    // the server block (locations, returns), `httpExtra` inside the http
    // block (a log format, say).
    static std::unique_ptr<TRealServer> StartNginx(
        const std::string& serverExtra, const std::string& httpExtra = "");

    // nginx like StartNginx, but speaking HTTPS only, presenting the
    // certificate (or chain) of the PEM file `certFile` with the key `keyFile`.
    static std::unique_ptr<TRealServer> StartNginxTls(const std::string& certFile,
        const std::string& keyFile, const std::string& serverExtra,
        const std::string& httpExtra = "");

    // tinyproxy asking for Basic credentials `user`:`pass`; for none with an empty `user`.
    static std::unique_ptr<TRealServer> StartTinyproxy(
        const std::string& user, const std::string& pass);

    // microsocks, a SOCKS 5 proxy; with a non-empty `user` it asks for that
    // user name and password, else for no authentication.
    static std::unique_ptr<TRealServer> StartMicrosocks(
        const std::string& user, const std::string& pass);

    int Port() const { return m_port; }
    // The temporary folder holding configuration, logs and (for nginx) the site.
    std::string Dir() const { return m_folder->path().string(); }
    // What the server wrote to its log and output, for failure messages.
    std::string Log() const;

private:
    TRealServer() = default;
    void Launch(const std::string& program, const std::string& installHint,
        const std::string& configText, const std::string& configName,
        const std::vector<std::string>& args);
    // A server object with its name, a fresh folder and a free port, not started.
    static std::unique_ptr<TRealServer> Prepare(const std::string& name);
    // nginx with `listenOptions` after its port and `serverExtra` in its server block.
    static std::unique_ptr<TRealServer> LaunchNginx(const std::string& listenOptions,
        const std::string& serverExtra, const std::string& httpExtra = "");

    std::unique_ptr<TempFolder> m_folder; // removed after the child is killed
    std::string m_name;
    pid_t m_pid = -1;
    int m_port = 0;
};
